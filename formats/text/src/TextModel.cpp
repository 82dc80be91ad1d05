#include "TextModel.h"

#include "orvane/formats/ParameterValues.h"

#include <kessig/OrvaneDB.h>

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
            for (int i = 1; i <= f->inputs; ++i) {
                db_.InputSeek(static_cast<int16_t>(number), static_cast<int16_t>(i));
                f->inputDescriptions.push_back(QString::fromStdString(db_.InputDescription()).trimmed());
            }
            for (int p = 1; p <= f->params + f->hidden; ++p) {
                db_.ParamSeek(static_cast<int16_t>(number), static_cast<int16_t>(p));
                f->parameters.push_back({db_.ParamType(), db_.ParamDecimal(), db_.ParamOffset(), db_.ParamMin(),
                                         db_.ParamMax(), QString::fromStdString(db_.ParamDescription()).trimmed()});
            }
        }
    }
    found = functions_.emplace(number, std::move(f)).first;
    return found->second ? &*found->second : nullptr;
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
