#include "orvane/flow/ConfigurationCheck.h"

#include "orvane/flow/FlowGraph.h"
#include "orvane/formats/ParameterValues.h"

#include <QStringList>

#include <algorithm>

namespace orvane::flow {

namespace {

enum RuleIndex {
    FunctionUnknown,
    ConstantsMissing,
    InputOutOfRange,
    InputUnusedBlock,
    InputKindMismatch,
    InputNoOutput,
    AuxNotOffered,
    AuxNotChosen,
    ParameterOutOfLimits,
    MessageEmpty,
    OutputUnread,
    QuickOutOfRange,
    QuickUnusedBlock,
    QuickNoParameter,
};

const std::vector<Rule> kRules = {
    {"function-unknown", Severity::Error, "a block runs a function the catalogue does not hold"},
    {"constants-missing", Severity::Error, "a block lacks some of its constant rows"},
    {"input-out-of-range", Severity::Error, "an input links to a block number outside 0 to 159"},
    {"input-unused-block", Severity::Error, "an input reads a block in no use (\"????\")"},
    {"input-kind-mismatch", Severity::Error, "an analog input reads a discrete output, or the reverse"},
    {"input-no-output", Severity::Warning, "an input reads a block that gives no output"},
    {"aux-not-offered", Severity::Error, "an auxiliary output is chosen that the source block does not offer"},
    {"aux-not-chosen", Severity::Warning, "an auxiliary-output block has no output chosen"},
    {"parameter-out-of-limits", Severity::Error, "a parameter lies outside the catalogue's limits"},
    {"message-empty", Severity::Warning, "a text parameter refers to an empty message"},
    {"output-unread", Severity::Information, "nothing reads a block's output"},
    {"quick-out-of-range", Severity::Error, "a quick message names a block number outside 0 to 159"},
    {"quick-unused-block", Severity::Warning, "a quick message names a block in no use"},
    {"quick-no-parameter", Severity::Error, "a quick message names a parameter its block lacks"},
};

QString kindName(SignalKind kind) { return kind == SignalKind::Analog ? QStringLiteral("analog") : QStringLiteral("discrete"); }

class Checker {
public:
    explicit Checker(const ConfigurationSnapshot& snapshot) : s_(snapshot), graph_(snapshot) {}

    std::vector<Finding> run()
    {
        for (int b = 0; b < kBlocks; ++b)
            if (s_.inUse(b))
                checkBlock(b);
        std::stable_sort(found_.begin(), found_.end(), [](const Finding& x, const Finding& y) {
            return x.block != y.block ? x.block < y.block : x.severity() < y.severity();
        });
        for (const auto& [offset, quick] : s_.configuration().quick)
            checkQuick(offset, quick);
        return std::move(found_);
    }

private:
    void add(RuleIndex rule, int block, const QString& place, const QString& message)
    {
        found_.push_back({&kRules[rule], block, place, message});
    }

    QString blockName(int b) const
    {
        const FunctionDef* f = s_.function(s_.functionOf(b));
        return QStringLiteral("Block %1 (%2)").arg(b).arg(f ? f->name : QStringLiteral("????"));
    }

    void checkBlock(int b)
    {
        const int fn = s_.functionOf(b);
        const FunctionDef* f = s_.function(fn);
        if (!f) {
            add(FunctionUnknown, b, {}, QStringLiteral("Block %1 runs function %2, which the catalogue does not hold.").arg(b).arg(fn));
            return;
        }
        QStringList missing;
        for (int k = 0; k < f->constantCount(); ++k)
            if (!s_.constant(b, k))
                missing << QString::number(k);
        if (!missing.isEmpty())
            add(ConstantsMissing, b, {},
                QStringLiteral("%1 has no constant row at offset %2.").arg(blockName(b), missing.join(QStringLiteral(", "))));
        for (int n = 1; n <= f->inputs; ++n)
            checkInput(b, *f, n);
        if (isAuxOutputFunction(f->name))
            checkAuxOutput(b, *f);
        else
            for (size_t p = 1; p <= f->parameters.size(); ++p)
                checkParameter(b, *f, static_cast<int>(p));
        checkOutputRead(b, *f);
    }

    void checkInput(int b, const FunctionDef& f, int n)
    {
        const std::optional<int32_t> source = s_.constant(b, n - 1);
        if (!source)
            return;   // reported as a missing constant
        const int type = f.inputTypes[static_cast<size_t>(n - 1)];
        const QString place = QStringLiteral("input %1").arg(n);
        const QString input = QStringLiteral("%1 input %2 (%3)").arg(blockName(b)).arg(n).arg(f.inputDescriptions[size_t(n - 1)]);
        if (*source < 0 || *source >= kBlocks) {
            add(InputOutOfRange, b, place, QStringLiteral("%1 links to block %2, which does not exist.").arg(input).arg(*source));
            return;
        }
        const FunctionDef* from = s_.function(s_.functionOf(*source));
        const SignalKind gives = from ? outputKind(from->ftype) : SignalKind::None;
        // A new input links to block 0 (analog) or 2 (discrete): while that block gives no
        // signal, the input is simply not wired.
        if ((*source == 0 || *source == 2) && gives == SignalKind::None)
            return;
        if (!s_.inUse(*source)) {
            add(InputUnusedBlock, b, place, QStringLiteral("%1 reads block %2, which is in no use (\?\?\?\?).").arg(input).arg(*source));
            return;
        }
        // The source of an auxiliary-output block is read through its auxiliary outputs.
        if (!from || (isAuxOutputFunction(f.name) && n == 1))
            return;
        const SignalKind wants = inputKind(type);
        if (gives == SignalKind::None) {
            add(InputNoOutput, b, place, QStringLiteral("%1 reads %2, which gives no output.").arg(input, blockName(*source)));
        } else if (wants != SignalKind::None && wants != gives) {
            add(InputKindMismatch, b, place,
                QStringLiteral("%1 is %2 but reads the %3 output of %4.").arg(input, kindName(wants), kindName(gives), blockName(*source)));
        }
    }

    void checkAuxOutput(int b, const FunctionDef& f)
    {
        const std::optional<int32_t> chosen = s_.constant(b, f.inputs);
        const std::optional<int32_t> source = s_.constant(b, 0);
        if (!chosen || !source || *source < 0 || *source >= kBlocks || !s_.inUse(*source))
            return;   // reported with the constants or the input
        if (*chosen == 0) {
            add(AuxNotChosen, b, QStringLiteral("parameter 1"), QStringLiteral("%1 has no auxiliary output chosen.").arg(blockName(b)));
            return;
        }
        const bool analog = f.name == QLatin1String("AABO");
        const FunctionDef* from = s_.function(s_.functionOf(*source));
        const size_t offered = from ? (analog ? from->auxAnalogs : from->auxDiscretes).size() : 0;
        if (*chosen < 1 || static_cast<size_t>(*chosen) > offered)
            add(AuxNotOffered, b, QStringLiteral("parameter 1"),
                QStringLiteral("%1 takes auxiliary %2 output %3 of %4, which offers %5.")
                    .arg(blockName(b), analog ? QStringLiteral("analog") : QStringLiteral("discrete"))
                    .arg(*chosen)
                    .arg(blockName(*source), offered == 0 ? QStringLiteral("none") : QString::number(offered)));
    }

    void checkParameter(int b, const FunctionDef& f, int p)
    {
        const ParameterDef& def = f.parameters[static_cast<size_t>(p - 1)];
        const bool hidden = p > f.params;
        const QString place = hidden ? QStringLiteral("hidden constant %1").arg(p - f.params) : QStringLiteral("parameter %1").arg(p);
        const QString what = hidden ? QStringLiteral("%1 %2").arg(blockName(b), place)
                                    : QStringLiteral("%1 %2 (%3)").arg(blockName(b), place, def.description);
        if (def.type == formats::kTextParameter) {
            const std::optional<QString> text = s_.message(def.messageOffset);
            if (!text || text->trimmed().isEmpty())
                add(MessageEmpty, b, place, QStringLiteral("%1 shows message %2, which is empty.").arg(what).arg(def.messageOffset));
            return;
        }
        const std::optional<int32_t> stored = s_.constant(b, f.inputs + p - 1);
        if (!stored || (*stored >= def.min && *stored <= def.max))
            return;
        const auto shown = [&](int32_t value) {
            if (def.type != formats::kVariableDecimals)
                return def.decimal == 0 ? QString::number(value) : formats::showPlain(value, def.decimal);
            return formats::showVariable(value, s_.constant(b, formats::decimalsOffset(f.inputs, p)).value_or(0));
        };
        add(ParameterOutOfLimits, b, place,
            QStringLiteral("%1 is %2, outside its limits %3 to %4.").arg(what, shown(*stored), shown(def.min), shown(def.max)));
    }

    void checkOutputRead(int b, const FunctionDef& f)
    {
        const SignalKind gives = outputKind(f.ftype);
        if (gives == SignalKind::None || isPlantOutputFunction(f.name))
            return;
        const auto& edges = graph_.edges();
        if (std::none_of(edges.begin(), edges.end(), [b](const Edge& e) { return e.from == b; }))
            add(OutputUnread, b, {}, QStringLiteral("%1: nothing reads its %2 output.").arg(blockName(b), kindName(gives)));
    }

    void checkQuick(int offset, const formats::text::Quick& quick)
    {
        const QString place = QStringLiteral("quick message %1").arg(offset);
        const QString what = QStringLiteral("Quick message %1 (\"%2\")").arg(offset).arg(quick.text.trimmed());
        if (quick.block < 0 || quick.block >= kBlocks) {
            add(QuickOutOfRange, -1, place, QStringLiteral("%1 names block %2, which does not exist.").arg(what).arg(quick.block));
            return;
        }
        if (!s_.inUse(quick.block)) {
            add(QuickUnusedBlock, quick.block, place,
                QStringLiteral("%1 names block %2, which is in no use.").arg(what).arg(quick.block));
            return;
        }
        const FunctionDef* f = s_.function(s_.functionOf(quick.block));
        if (f && (quick.parameter < 1 || quick.parameter > f->params))
            add(QuickNoParameter, quick.block, place,
                QStringLiteral("%1 names parameter %2 of %3, which has %4.")
                    .arg(what)
                    .arg(quick.parameter)
                    .arg(blockName(quick.block), f->params == 0 ? QStringLiteral("none") : QString::number(f->params)));
    }

    const ConfigurationSnapshot& s_;
    FlowGraph graph_;
    std::vector<Finding> found_;
};

} // namespace

QString severityName(Severity severity)
{
    switch (severity) {
    case Severity::Error: return QStringLiteral("error");
    case Severity::Warning: return QStringLiteral("warning");
    case Severity::Information: break;
    }
    return QStringLiteral("information");
}

const std::vector<Rule>& checkRules() { return kRules; }

std::vector<Finding> checkConfiguration(const ConfigurationSnapshot& snapshot) { return Checker(snapshot).run(); }

bool hasErrors(const std::vector<Finding>& findings)
{
    return std::any_of(findings.begin(), findings.end(), [](const Finding& f) { return f.severity() == Severity::Error; });
}

QString findingCounts(const std::vector<Finding>& findings)
{
    int counts[3] = {0, 0, 0};
    for (const Finding& f : findings)
        ++counts[static_cast<int>(f.severity())];
    const auto counted = [](int n, const char* one, const char* many) {
        return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    return QStringList{counted(counts[0], "error", "errors"), counted(counts[1], "warning", "warnings"),
                       counted(counts[2], "note", "notes")}
        .join(QStringLiteral(", "));
}

} // namespace orvane::flow
