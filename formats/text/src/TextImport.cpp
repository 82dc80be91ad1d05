#include "orvane/formats/ConfigurationText.h"

#include "orvane/formats/ConfigurationModel.h"
#include "TextSyntax.h"

#include "orvane/transfer/Image.h"

#include <kessig/OrvaneDB.h>

#include <QList>
#include <QStringDecoder>

#include <limits>

namespace orvane::formats {

using namespace text;

namespace {

const QString kHeader = QStringLiteral("orvane configuration text 1");
constexpr int kMaxTitle = 80;
constexpr int kMaxMessage = 16;

struct Fault {
    TextFault fault;
};

// Lines end in LF, CR LF or a CR alone, as editors on every system write them.
QList<QByteArray> splitLines(const QByteArray& text)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r')
            continue;
        lines << text.mid(start, i - start);
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    lines << text.mid(start);
    return lines;
}

[[noreturn]] void refuse(int line, const QString& reason) { throw Fault{{line, reason}}; }

int characters(const QString& s) { return static_cast<int>(s.toUcs4().size()); }

// A constant as the text gives it, before its function says where it belongs.
struct GivenConstant {
    Role role = Role::Other;
    int number = 0;
    Constant constant;
};

struct GivenBlock {
    Block block;
    std::vector<GivenConstant> constants;
    std::map<QString, int> seen;   // statements given once, with their line
};

// Reads the text line by line into a configuration, checking each line's form.
class Parser {
public:
    Configuration config;
    std::map<int, GivenBlock> blocks;
    int lines = 0;

    void parse(const QByteArray& text)
    {
        const QList<QByteArray> raw = splitLines(text);
        for (int i = 0; i < raw.size(); ++i) {
            line_ = i + 1;
            const QByteArray& bytes = raw[i];
            QStringDecoder utf8(QStringDecoder::Utf8);
            const QString decoded = utf8.decode(bytes);
            if (utf8.hasError())
                refuse(line_, QStringLiteral("the line is not UTF-8 text"));
            if (!bytes.trimmed().isEmpty())
                lines = line_;
            statement(decoded);
        }
        if (!headerSeen_)
            refuse(1, QStringLiteral("this is no Orvane configuration text (it begins with \"%1\")").arg(kHeader));
    }

    // The line of a statement given once ("the title"), 0 when it was not given.
    int lineOf(const QString& what) const
    {
        const auto at = seen_.find(what);
        return at == seen_.end() ? 0 : at->second;
    }

private:
    int line_ = 0;
    bool headerSeen_ = false;
    GivenBlock* block_ = nullptr;
    QString* continued_ = nullptr;     // the text a quoted continuation line adds to
    std::map<QString, int> seen_;

    void once(std::map<QString, int>& seen, const QString& what)
    {
        const auto [at, added] = seen.emplace(what, line_);
        if (!added)
            refuse(line_, QStringLiteral("%1 is given twice (first on line %2)").arg(what).arg(at->second));
    }

    QString textValue(LineCursor& c, const QString& form)
    {
        if (!c.takeChar(QLatin1Char('=')))
            malformed(form);
        const auto value = c.quotedText();
        if (!value)
            malformed(form, c.error());
        return *value;
    }

    qint64 number(LineCursor& c, const QString& form, qint64 min, qint64 max, const QString& what)
    {
        const auto v = c.integer();
        if (!v)
            malformed(form);
        if (*v < min || *v > max)
            refuse(line_, QStringLiteral("%1 must be %2 to %3, not %4").arg(what).arg(min).arg(max).arg(*v));
        return *v;
    }

    [[noreturn]] void malformed(const QString& form, const QString& why = {})
    {
        refuse(line_, QStringLiteral("malformed line (%1; the line must read: %2)")
                          .arg(why.isEmpty() ? QStringLiteral("it does not follow its form") : why, form));
    }

    void end(LineCursor& c, const QString& form)
    {
        if (!c.atEnd())
            malformed(form, QStringLiteral("something follows the statement"));
    }

    void statement(const QString& line)
    {
        LineCursor c(line);
        if (c.atEnd())
            return;
        if (!headerSeen_) {
            if (line.trimmed() != kHeader)
                refuse(line_, QStringLiteral("this is no Orvane configuration text (it begins with \"%1\")").arg(kHeader));
            headerSeen_ = true;
            return;
        }
        if (c.startsWithQuote()) {
            const QString form = QStringLiteral("\"more text\" after a text");
            const auto more = c.quotedText();
            if (!more || !continued_)
                malformed(form, more ? QStringLiteral("no text goes on here") : c.error());
            *continued_ += *more;
            end(c, form);
            return;
        }
        continued_ = nullptr;
        if (topLevel(c) || (block_ && inBlock(c)))
            return;
        refuse(line_, block_ ? QStringLiteral("unknown statement")
                             : QStringLiteral("unknown statement, or a block statement outside a block"));
    }

    bool topLevel(LineCursor& c)
    {
        for (auto [word, field] : {std::pair{QStringLiteral("title"), &config.title},
                                   std::pair{QStringLiteral("config"), &config.config},
                                   std::pair{QStringLiteral("description"), &config.description}}) {
            if (!c.take(word))
                continue;
            block_ = nullptr;
            const QString form = word + QStringLiteral(" = \"text\"");
            once(seen_, QStringLiteral("the ") + word);
            *field = textValue(c, form);
            end(c, form);
            continued_ = field;
            return true;
        }
        if (c.take(QStringLiteral("block"))) {
            const QString form = QStringLiteral("block N: NAME (function F)");
            const int n = static_cast<int>(number(c, form, 0, kBlocks - 1, QStringLiteral("a block number")));
            once(seen_, QStringLiteral("block %1").arg(n));
            GivenBlock& b = blocks[n];
            b.block.number = n;
            b.block.line = line_;
            if (!c.takeChar(QLatin1Char(':')))
                malformed(form);
            b.block.name = c.bareWord();
            if (b.block.name.isEmpty() || !c.takeChar(QLatin1Char('(')) || !c.take(QStringLiteral("function")))
                malformed(form);
            b.block.function = static_cast<int>(number(c, form, INT16_MIN, INT16_MAX, QStringLiteral("a function number")));
            if (!c.takeChar(QLatin1Char(')')))
                malformed(form);
            end(c, form);
            block_ = &b;
            return true;
        }
        if (c.take(QStringLiteral("message"))) {
            const QString form = QStringLiteral("message N = \"text\"");
            block_ = nullptr;
            const int n = static_cast<int>(number(c, form, 0, kMessages - 1, QStringLiteral("a message number")));
            once(seen_, QStringLiteral("message %1").arg(n));
            config.messages[n] = {textValue(c, form), line_};
            end(c, form);
            return true;
        }
        if (c.take(QStringLiteral("quick"))) {
            const QString form = QStringLiteral("quick N = \"text\" (block B, parameter P)");
            block_ = nullptr;
            const int n = static_cast<int>(number(c, form, 0, kQuickMessages - 1, QStringLiteral("a quick message number")));
            once(seen_, QStringLiteral("quick message %1").arg(n));
            Quick& quick = config.quick[n];
            quick.line = line_;
            quick.text = textValue(c, form);
            if (!c.takeChar(QLatin1Char('(')) || !c.take(QStringLiteral("block")))
                malformed(form);
            quick.block = static_cast<int>(number(c, form, 0, kBlocks - 1, QStringLiteral("the block of a quick message")));
            if (!c.takeChar(QLatin1Char(',')) || !c.take(QStringLiteral("parameter")))
                malformed(form);
            quick.parameter = static_cast<int>(
                number(c, form, INT16_MIN, INT16_MAX, QStringLiteral("the parameter of a quick message")));
            if (!c.takeChar(QLatin1Char(')')))
                malformed(form);
            // What a download would refuse is refused here, by its own rule.
            if (const auto fault = orvane::transfer::quickFieldFault("Parameter", quick.parameter))
                refuse(line_, QStringLiteral("quick message %1: %2").arg(n).arg(QString::fromStdString(*fault)));
            end(c, form);
            return true;
        }
        return false;
    }

    bool inBlock(LineCursor& c)
    {
        Block& b = block_->block;
        for (auto [word, field] : {std::pair{QStringLiteral("comment"), &b.comment},
                                   std::pair{QStringLiteral("drawing comment"), &b.drawingComment}}) {
            if (!c.take(word))
                continue;
            const QString form = word + QStringLiteral(" = \"text\"");
            once(block_->seen, QStringLiteral("the ") + word + QStringLiteral(" of block %1").arg(b.number));
            *field = textValue(c, form);
            end(c, form);
            continued_ = field;
            return true;
        }
        for (auto [word, field] : {std::pair{QStringLiteral("tempram"), &b.tempRam},
                                   std::pair{QStringLiteral("volram"), &b.volRam}}) {
            if (!c.take(word))
                continue;
            const QString form = word + QStringLiteral(" = N");
            once(block_->seen, word + QStringLiteral(" of block %1").arg(b.number));
            if (!c.takeChar(QLatin1Char('=')))
                malformed(form);
            *field = static_cast<int>(number(c, form, INT16_MIN, INT16_MAX, word));
            end(c, form);
            return true;
        }
        for (auto [word, role] : {std::pair{QStringLiteral("input"), Role::Input},
                                  std::pair{QStringLiteral("parameter"), Role::Parameter},
                                  std::pair{QStringLiteral("hidden"), Role::Hidden},
                                  std::pair{QStringLiteral("constant"), Role::Other}}) {
            if (!c.take(word))
                continue;
            const bool parameter = role == Role::Parameter;
            const QString form = word + (parameter ? QStringLiteral(" N = VALUE (stored S)") : QStringLiteral(" N = S"));
            GivenConstant given{role, 0, {}};
            given.number = static_cast<int>(number(c, form, 0, 9999, word + QStringLiteral(" number")));
            given.constant.line = line_;
            once(block_->seen, word + QStringLiteral(" %1 of block %2").arg(given.number).arg(b.number));
            if (!c.takeChar(QLatin1Char('=')))
                malformed(form);
            if (parameter) {
                if (c.startsWithQuote()) {
                    const auto shown = c.quotedText();
                    if (!shown)
                        malformed(form, c.error());
                    given.constant.shown = *shown;
                } else {
                    given.constant.shown = withoutLeadingZeros(c.bareWord());
                }
                if (!c.takeChar(QLatin1Char('(')) || !c.take(QStringLiteral("stored")))
                    malformed(form);
            }
            given.constant.stored = static_cast<int32_t>(number(c, form, std::numeric_limits<int32_t>::min(),
                                                                std::numeric_limits<int32_t>::max(),
                                                                QStringLiteral("a stored value")));
            if (parameter && !c.takeChar(QLatin1Char(')')))
                malformed(form);
            end(c, form);
            block_->constants.push_back(given);
            return true;
        }
        return false;
    }
};

const char* roleWord(Role role)
{
    switch (role) {
    case Role::Input: return "input";
    case Role::Parameter: return "parameter";
    case Role::Hidden: return "hidden constant";
    case Role::Other: break;
    }
    return "constant";
}

// Checks each block against its function in the catalogue and places its constants.
void placeBlocks(Parser& parsed, FunctionCatalogue& catalogue)
{
    Configuration& config = parsed.config;
    for (auto& [number, given] : parsed.blocks) {
        Block& b = given.block;
        const FunctionDef* f = catalogue.function(b.function);
        if (!f)
            refuse(b.line, QStringLiteral("function %1 is not in the catalogue").arg(b.function));
        if (f->name != b.name)
            refuse(b.line, QStringLiteral("function %1 is %2 in the catalogue, not %3").arg(b.function).arg(f->name, b.name));
        const QString where = QStringLiteral(" of block %1 (%2)").arg(number).arg(f->name);
        for (const GivenConstant& c : given.constants) {
            const int offset = c.role == Role::Other ? -1 : offsetOf(*f, c.role, c.number);
            if (offset < 0)
                refuse(c.constant.line, QStringLiteral("%1 has no %2 %3").arg(f->name).arg(QLatin1String(roleWord(c.role))).arg(c.number));
            b.constants[offset] = c.constant;
        }
        const int count = static_cast<int>(b.constants.size());
        if (count != 0 && count != f->constantCount()) {
            for (int offset = 0; offset < f->constantCount(); ++offset) {
                const Slot missing = slotOf(f, offset);
                if (!b.constants.count(offset))
                    refuse(b.line, QStringLiteral("block %1 (%2) gives %3 of its %4 constants; %5 %6 is missing")
                                       .arg(number).arg(f->name).arg(count).arg(f->constantCount())
                                       .arg(QLatin1String(roleWord(missing.role))).arg(missing.number));
            }
        }
        for (const auto& [offset, c] : b.constants) {
            const Slot slot = slotOf(f, offset);
            if (slot.role == Role::Input && (c.stored < 0 || c.stored >= kBlocks))
                refuse(c.line, QStringLiteral("input %1%2 takes a block number 0 to 159, not %3").arg(slot.number).arg(where).arg(c.stored));
            if (slot.role != Role::Parameter)
                continue;
            const ParameterDef& p = f->parameters[static_cast<std::size_t>(slot.number - 1)];
            if (p.type != kTextParameter && (c.stored < p.min || c.stored > p.max))
                refuse(c.line, QStringLiteral("parameter %1%2 stores %3, outside its limits %4 to %5")
                                   .arg(slot.number).arg(where).arg(c.stored).arg(p.min).arg(p.max));
        }
        config.blocks[number] = b;
    }
    // Shown values are checked once every block and message is known.
    for (const auto& [number, b] : config.blocks) {
        const FunctionDef* f = catalogue.function(b.function);
        for (const auto& [offset, c] : b.constants) {
            const Slot slot = slotOf(f, offset);
            if (slot.role != Role::Parameter)
                continue;
            const QString shown = shownValue(*f, slot.number, b, config);
            if (shown != c.shown)
                refuse(c.line, QStringLiteral("parameter %1 of block %2 (%3) shows %4 for what it stores, not %5")
                                   .arg(slot.number).arg(number).arg(f->name, text::quoted(shown), text::quoted(c.shown)));
        }
    }
}

void checkTexts(const Parser& parsed)
{
    const Configuration& config = parsed.config;
    for (auto [what, value] : {std::pair{QStringLiteral("title"), &config.title},
                               std::pair{QStringLiteral("config"), &config.config}})
        if (characters(*value) > kMaxTitle)
            refuse(parsed.lineOf(QStringLiteral("the ") + what),
                   QStringLiteral("the %1 is longer than %2 characters").arg(what).arg(kMaxTitle));
    const auto checkMessage = [](const QString& text, int line, const QString& what) {
        if (text.isEmpty() || characters(text) > kMaxMessage)
            refuse(line, QStringLiteral("%1 must have 1 to %2 characters").arg(what).arg(kMaxMessage));
    };
    for (int k = 0; k < kMessages; ++k) {
        const auto m = config.messages.find(k);
        if (m == config.messages.end())
            refuse(parsed.lines, QStringLiteral("message %1 is missing; a configuration holds messages 0 to %2").arg(k).arg(kMessages - 1));
        checkMessage(m->second.text, m->second.line, QStringLiteral("message %1").arg(k));
    }
    for (int k = 0; k < kQuickMessages; ++k) {
        const auto m = config.quick.find(k);
        if (m == config.quick.end())
            refuse(parsed.lines, QStringLiteral("quick message %1 is missing; a configuration holds quick messages 0 to %2")
                                     .arg(k).arg(kQuickMessages - 1));
        checkMessage(m->second.text, m->second.line, QStringLiteral("quick message %1").arg(k));
    }
}

std::string s(const QString& q) { return q.toStdString(); }

void write(kessig::OrvaneDB& db, const Configuration& config)
{
    db.CommentEdit();
    db.CommentTitle(s(config.title));
    db.CommentConfig(s(config.config));
    db.CommentComment(s(config.description));
    db.CommentUpdate();
    for (int n = 0; n < kBlocks; ++n) {
        const auto found = config.blocks.find(n);
        Block empty;
        empty.number = n;
        const Block& b = found == config.blocks.end() ? empty : found->second;
        db.BlockSeek(static_cast<int16_t>(n));
        db.BlockEdit();
        db.BlockFn(static_cast<int16_t>(b.function));
        db.BlockConstant(static_cast<int16_t>(b.constants.size()));
        db.BlockTempRam(static_cast<int16_t>(b.tempRam));
        db.BlockVolRam(static_cast<int16_t>(b.volRam));
        db.BlockComment(s(b.comment));
        db.BlockVisioComment(s(b.drawingComment));
        db.BlockUpdate();
        for (const auto& [offset, c] : b.constants) {
            db.ConstantAddNew();
            db.ConstantBlockNumber(static_cast<int16_t>(n));
            db.ConstantOffset(static_cast<int16_t>(offset));
            db.ConstantValue(c.stored);
            db.ConstantUpdate();
        }
    }
    for (const auto& [k, m] : config.messages) {
        db.MessageSeek(static_cast<int16_t>(k));
        db.MessageEdit();
        db.MessageMsg(s(m.text));
        db.MessageUpdate();
    }
    for (const auto& [k, m] : config.quick) {
        db.QuickSeek(static_cast<int16_t>(k));
        db.QuickEdit();
        db.QuickMessage(s(m.text));
        db.QuickBlock(std::to_string(m.block));
        db.QuickParameter(std::to_string(m.parameter));
        db.QuickUpdate();
    }
}

} // namespace

std::optional<TextFault> importConfiguration(kessig::OrvaneDB& db, const QByteArray& text)
{
    Parser parsed;
    try {
        parsed.parse(text);
        checkTexts(parsed);
        FunctionCatalogue catalogue(db);
        placeBlocks(parsed, catalogue);
    } catch (const Fault& f) {
        return f.fault;
    }
    db.BeginTrans();
    try {
        write(db, parsed.config);
        db.CommitTrans();
    } catch (...) {
        db.Rollback();
        throw;
    }
    return std::nullopt;
}

} // namespace orvane::formats
