#include "orvane/compare/FunctionCatalogue.h"

#include "Lookups.h"

#include <QDir>
#include <QFileInfo>

namespace orvane::compare {

bool FunctionCatalogue::presentIn(const QString& folder)
{
    return QFileInfo(QDir(folder).filePath(QStringLiteral("OrvaneDATA.DAT"))).isFile();
}

FunctionCatalogue::FunctionCatalogue(const QString& folder)
{
    db_.open_database(folder.toStdString());
    db_.FuncSetIndex("FN");
}

std::optional<FunctionInfo> FunctionCatalogue::function(int16_t fn)
{
    db_.FuncSeekI(fn);
    if (db_.FuncNoMatch())
        return std::nullopt;
    return FunctionInfo{db_.FuncName(), db_.FuncInputs(), db_.FuncParams()};
}

std::optional<std::string> FunctionCatalogue::inputDescription(int16_t fn, int16_t input)
{
    db_.InputSeek(fn, input);
    return readOrNothing(kessig::err::NoCurrentRecord, [&] { return db_.InputDescription(); });
}

std::optional<ParameterInfo> FunctionCatalogue::parameter(int16_t fn, int16_t parameter)
{
    db_.ParamSeek(fn, parameter);
    return readOrNothing(kessig::err::NoCurrentRecord, [&] { return ParameterInfo{db_.ParamDescription(), db_.ParamDecimal()}; });
}

std::optional<int32_t> FunctionCatalogue::defaultConstant(int16_t fn, int16_t offset)
{
    const auto info = function(fn);
    if (!info)
        return std::nullopt;
    if (offset < info->inputs) {
        db_.InputSeek(fn, static_cast<int16_t>(offset + 1));
        return readOrNothing(kessig::err::NoCurrentRecord, [&] { return int32_t{db_.InputType() == 1 ? 0 : 2}; });
    }
    db_.ParamSeek(fn, static_cast<int16_t>(offset - info->inputs + 1));
    return readOrNothing(kessig::err::NoCurrentRecord, [&] { return db_.ParamDefault(); });
}

} // namespace orvane::compare
