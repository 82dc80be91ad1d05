#include "orvane/formats/ConfigurationModel.h"

#include "orvane/formats/ParameterValues.h"

#include <kessig/OrvaneDB.h>

#include <tuple>

namespace orvane::formats::text {

const FunctionDef* FunctionCatalogue::function(int number)
{
    auto found = functions_.find(number);
    if (found != functions_.end())
        return found->second ? &*found->second : nullptr;
    std::optional<FunctionDef> f;
    if (number >= INT16_MIN && number <= INT16_MAX) {
        db_.FuncSetIndex("FN");
        db_.FuncSeekI(static_cast<int16_t>(number));
        if (!db_.FuncNoMatch()) {
            f.emplace();
            f->number = number;
            f->name = QString::fromStdString(db_.FuncName()).trimmed();
            f->inputs = db_.FuncInputs();
            f->params = db_.FuncParams();
            f->hidden = db_.FuncHidden();
            f->ftype = db_.FuncFtype();
            const int auxAnalogs = db_.FuncAuxAnalogs(), auxDiscretes = db_.FuncAuxDiscretes();
            const auto fn = static_cast<int16_t>(number);
            for (int i = 1; i <= f->inputs; ++i) {
                db_.InputSeek(fn, static_cast<int16_t>(i));
                f->inputDescriptions.push_back(QString::fromStdString(db_.InputDescription()).trimmed());
                f->inputTypes.push_back(db_.InputType());
            }
            for (int p = 1; p <= f->params + f->hidden; ++p) {
                db_.ParamSeek(fn, static_cast<int16_t>(p));
                f->parameters.push_back({db_.ParamType(), db_.ParamDecimal(), db_.ParamOffset(), db_.ParamMin(),
                                         db_.ParamMax(), QString::fromStdString(db_.ParamDescription()).trimmed(),
                                         db_.ParamDefault()});
            }
            for (const auto& [kind, count, names] : {std::tuple{"A", auxAnalogs, &f->auxAnalogs},
                                                     std::tuple{"D", auxDiscretes, &f->auxDiscretes}}) {
                for (int n = 1; n <= count; ++n) {
                    db_.AuxSeek(fn, kind, static_cast<int16_t>(n));
                    names->push_back(QString::fromStdString(db_.AuxDescription()).trimmed());
                }
            }
        }
    }
    found = functions_.emplace(number, std::move(f)).first;
    return found->second ? &*found->second : nullptr;
}

bool isAuxOutputFunction(const QString& name)
{
    const QString n = name.trimmed();
    return n == QLatin1String("AABO") || n == QLatin1String("DABO");
}

int32_t defaultConstant(const FunctionDef& f, int offset)
{
    if (offset < f.inputs)
        return f.inputTypes[static_cast<std::size_t>(offset)] == 1 ? 0 : 2;
    return f.parameters[static_cast<std::size_t>(offset - f.inputs)].defaultValue;
}

QString shownComment(const QString& comment, const QString& drawingComment)
{
    return drawingComment.trimmed().isEmpty() ? comment : drawingComment;
}

Configuration readConfiguration(kessig::OrvaneDB& db)
{
    const auto q = [](const std::string& s) { return QString::fromStdString(s); };
    Configuration c;
    c.title = q(db.CommentTitle());
    c.config = q(db.CommentConfig());
    c.description = q(db.CommentComment());
    for (db.BlockMoveFirst(); !db.BlockEOF(); db.BlockMoveNext()) {
        Block& b = c.blocks[db.BlockNumber()];
        b.number = db.BlockNumber();
        b.function = db.BlockFn();
        b.tempRam = db.BlockTempRam();
        b.volRam = db.BlockVolRam();
        b.comment = q(db.BlockComment());
        b.drawingComment = q(db.BlockVisioComment());
    }
    for (db.ConstantMoveFirst(); !db.ConstantEOF(); db.ConstantMoveNext()) {
        Block& b = c.blocks[db.ConstantBlockNumber()];
        b.number = db.ConstantBlockNumber();
        b.constants[db.ConstantOffset()].stored = db.ConstantValue();
    }
    // The cursors offer no offset of their own: the rows are sought one by one.
    for (int k = 0; k < kMessages; ++k) {
        try {
            db.MessageSeek(static_cast<int16_t>(k));
            c.messages[k].text = q(db.MessageMsg());
        } catch (const kessig::DbError& e) {
            if (e.number() != kessig::err::NoCurrentRecord)
                throw;
        }
    }
    for (int k = 0; k < kQuickMessages; ++k) {
        db.QuickSeek(static_cast<int16_t>(k));
        if (!db.QuickEOF())
            c.quick[k] = {q(db.QuickMessage()), std::stoi(db.QuickBlock()), std::stoi(db.QuickParameter()), 0};
    }
    return c;
}

Slot slotOf(const FunctionDef* f, int offset)
{
    if (f && offset >= 0) {
        if (offset < f->inputs)
            return {Role::Input, offset + 1};
        if (offset < f->inputs + f->params)
            return {Role::Parameter, offset - f->inputs + 1};
        if (offset < f->constantCount())
            return {Role::Hidden, offset - f->inputs - f->params + 1};
    }
    return {Role::Other, offset};
}

int offsetOf(const FunctionDef& f, Role role, int number)
{
    switch (role) {
    case Role::Input: return number >= 1 && number <= f.inputs ? number - 1 : -1;
    case Role::Parameter: return number >= 1 && number <= f.params ? f.inputs + number - 1 : -1;
    case Role::Hidden: return number >= 1 && number <= f.hidden ? f.inputs + f.params + number - 1 : -1;
    case Role::Other: break;
    }
    return -1;
}

QString shownValue(const FunctionDef& f, int parameter, const Block& block, const Configuration& config)
{
    const ParameterDef& p = f.parameters[static_cast<std::size_t>(parameter - 1)];
    const auto storedAt = [&](int offset) {
        const auto c = block.constants.find(offset);
        return c == block.constants.end() ? 0 : c->second.stored;
    };
    if (p.type == kTextParameter) {
        const auto m = config.messages.find(p.messageOffset);
        return m == config.messages.end() ? QString() : m->second.text;
    }
    const int32_t stored = storedAt(offsetOf(f, Role::Parameter, parameter));
    if (p.type == kVariableDecimals)
        return showVariable(stored, storedAt(decimalsOffset(f.inputs, parameter)));
    return showPlain(stored, p.decimal);
}

} // namespace orvane::formats::text
