#include "BlockModel.h"

#include "ConfigurationTexts.h"
#include "EditHistory.h"

#include <kessig/OrvaneDB.h>

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace brevant {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& q) { return q.toStdString(); }

// Runs change as one transaction: all of it reaches the file, or nothing.
template <class F> void inTransaction(kessig::OrvaneDB& db, F&& change)
{
    db.BeginTrans();
    try {
        change();
        db.CommitTrans();
    } catch (...) {
        db.Rollback();
        throw;
    }
}
} // namespace

BlockFunctionTable defaultBlockFunctions()
{
    BlockFunctionTable t;
    t.fill(kNopFunction);
    t[0] = 0;
    t[1] = 1;
    t[2] = 90;
    t[3] = 91;
    return t;
}

QString BlockModel::cellText(int block)
{
    const int16_t fn = table_[block];
    if (fn == kNopFunction)
        return QStringLiteral(" ");
    db_.FuncSetIndex("FN");
    db_.FuncSeekI(fn);
    if (db_.FuncNoMatch())
        return QStringLiteral("????");
    return q(db_.FuncName());
}

std::array<QString, kBlockCount> BlockModel::blockMapTexts()
{
    std::array<QString, kBlockCount> texts;
    for (int b = 0; b < kBlockCount; ++b)
        texts[b] = cellText(b);
    return texts;
}

void BlockModel::reloadBlockFunctions()
{
    // A file with fewer block rows must not show the previous file's functions there.
    table_.fill(kNopFunction);
    int b = 0;
    for (db_.BlockMoveFirst(); !db_.BlockEOF() && b < kBlockCount; db_.BlockMoveNext())
        table_[b++] = db_.BlockFn();
}

std::vector<int32_t> BlockModel::catalogueConstants(int16_t function)
{
    db_.FuncSetIndex("FN");
    db_.FuncSeekI(function);
    if (db_.FuncNoMatch())
        return {};
    const int16_t inputs = db_.FuncInputs();
    const int16_t rest = static_cast<int16_t>(db_.FuncParams() + db_.FuncHidden());
    std::vector<int32_t> values;
    for (int16_t n = 1; n <= inputs; ++n) {
        db_.InputSeek(function, n);
        values.push_back(db_.InputType() == 1 ? 0 : 2);
    }
    for (int16_t n = 1; n <= rest; ++n) {
        db_.ParamSeek(function, n);
        values.push_back(db_.ParamDefault());
    }
    return values;
}

std::vector<int32_t> BlockModel::constantsOf(int block, int16_t function, std::vector<int>* missing)
{
    const auto b = static_cast<int16_t>(block);
    const std::vector<int32_t> defaults = catalogueConstants(function);
    db_.BlockSeek(b);
    bool owned = db_.BlockConstant() > 0;
    std::vector<int32_t> values(defaults.size(), 0);
    std::vector<int> lacking;
    for (size_t k = 0; k < values.size(); ++k) {
        db_.ConstantSeek(b, static_cast<int16_t>(k));
        if (db_.ConstantNoMatch()) {
            lacking.push_back(static_cast<int>(k));
        } else {
            values[k] = db_.ConstantValue();
            owned = true;
        }
    }
    if (!owned)
        return defaults;
    if (missing)
        *missing = std::move(lacking);
    return values;
}

QString missingConstantsMessage(int block, const QString& functionName, const std::vector<int>& missing)
{
    // Runs of offsets read "1 to 6".
    QStringList runs;
    for (size_t i = 0; i < missing.size();) {
        size_t j = i;
        while (j + 1 < missing.size() && missing[j + 1] == missing[j] + 1)
            ++j;
        runs << (j == i ? QString::number(missing[i])
                        : QStringLiteral("%1 to %2").arg(missing[i]).arg(missing[j]));
        i = j + 1;
    }
    return QStringLiteral("Database Error, Record Not Found\rBlock %1 (%2) has no constant rows at offset%3 %4.\r"
                          "Its inputs and parameters cannot be shown or edited. Assigning its function again in "
                          "Function Type mode gives it the catalogue's defaults.")
        .arg(block)
        .arg(functionName.trimmed(), missing.size() > 1 ? QStringLiteral("s") : QString(),
             runs.join(QStringLiteral(", ")));
}

int16_t BlockModel::constantCount(int16_t function)
{
    db_.FuncSetIndex("FN");
    db_.FuncSeekI(function);
    if (db_.FuncNoMatch())
        return 0;
    return static_cast<int16_t>(db_.FuncInputs() + db_.FuncParams() + db_.FuncHidden());
}

RowScope BlockModel::blockScope(int block, int16_t newFunction)
{
    const auto b = static_cast<int16_t>(block);
    db_.BlockSeek(b);
    const int16_t owned = db_.BlockConstant(), stored = db_.BlockFn();
    int16_t span = std::max({owned, constantCount(stored), constantCount(table_[block]), constantCount(newFunction)});
    // Rows past that, up to the first offset without one, go too when the constants are rebuilt.
    for (db_.ConstantSeek(b, span); !db_.ConstantNoMatch(); db_.ConstantSeek(b, span))
        ++span;
    return RowScope().withBlock(b).withConstants(b, span);
}

void BlockModel::change(const QString& name, int block, const RowScope& scope, const std::function<void()>& write)
{
    if (history_)
        history_->record(name, scope, block, write);
    else
        write();
}

void BlockModel::rebuildConstants(int block, int16_t function)
{
    const auto b = static_cast<int16_t>(block);
    const std::vector<int32_t> values = catalogueConstants(function);
    // Every row the block may own goes, those past a missing one too: a row left behind
    // would collide with the new ones.
    db_.BlockSeek(b);
    const auto owned = static_cast<size_t>(std::max<int16_t>({db_.BlockConstant(), constantCount(table_[block]), 0}));
    for (int16_t k = 0;; ++k) {
        db_.ConstantSeek(b, k);
        if (!db_.ConstantNoMatch())
            db_.ConstantDelete();
        else if (static_cast<size_t>(k) >= owned)
            break;
    }
    for (size_t k = 0; k < values.size(); ++k) {
        db_.ConstantAddNew();
        db_.ConstantBlockNumber(b);
        db_.ConstantOffset(static_cast<int16_t>(k));
        db_.ConstantValue(values[k]);
        db_.ConstantUpdate();
    }
    db_.BlockSeek(b);
    db_.BlockEdit();
    db_.BlockFn(function);
    db_.BlockConstant(static_cast<int16_t>(values.size()));
    db_.BlockUpdate();
}

void BlockModel::changeConstant(const QString& name, int block, int offset, int32_t value)
{
    change(name, block, blockScope(block, table_[block]), [&] { writeConstant(block, offset, value); });
}

void BlockModel::writeConstant(int block, int offset, int32_t value)
{
    const auto b = static_cast<int16_t>(block);
    const auto write = [&] {
        db_.ConstantSeek(b, static_cast<int16_t>(offset));
        if (db_.ConstantNoMatch())
            throw kessig::DbError(kessig::err::NoCurrentRecord, "No current record.");
        db_.ConstantEdit();
        db_.ConstantValue(value);
        db_.ConstantUpdate();
    };
    db_.BlockSeek(b);
    if (db_.BlockConstant() > 0) {
        write();
        return;
    }
    // A block that runs a function but owns no constant rows yet (the first blocks of a
    // new configuration) gets all of them, with the values a download sends, on its first
    // edit: together with the edit, or not at all.
    const int16_t function = db_.BlockFn();
    inTransaction(db_, [&] {
        rebuildConstants(block, function);
        write();
    });
}

BlockView BlockModel::readBlock(int block, const QString& cellName)
{
    BlockView v;
    db_.FuncSetIndex("Fname");
    db_.BlockSeek(static_cast<int16_t>(block));
    v.comment = shownComment(q(db_.BlockComment()), q(db_.BlockVisioComment()));
    v.empty = cellName == QLatin1String(" ");
    if (v.empty)
        return v;
    db_.FuncSeekS(s(cellName.trimmed()));
    if (db_.FuncNoMatch())
        return v;
    v.found = true;
    v.function = db_.FuncFN();
    v.name = cellName.trimmed();
    v.inputCount = db_.FuncInputs();
    const int16_t params = db_.FuncParams();
    v.auxOutput = isAuxOutputFunction(v.name);
    const std::vector<int32_t> constants = constantsOf(block, v.function, &v.missingConstants);
    if (!v.missingConstants.empty())
        return v;
    const auto constant = [&](int offset) {
        return offset >= 0 && static_cast<size_t>(offset) < constants.size() ? constants[size_t(offset)] : 0;
    };

    for (int n = 1; n <= v.inputCount; ++n)
        v.inputs.push_back(inputRow(v.function, n, constant(n - 1)));
    if (v.auxOutput || params < 1)
        return v;

    const int I = v.inputCount;
    for (int n = 1; n <= params; ++n) {
        ParamRow row;
        db_.ParamSeek(v.function, static_cast<int16_t>(n));
        const QString description = q(db_.ParamDescription());
        row.description = description + QLatin1Char(' ');
        row.tall = description.trimmed().size() > 28;
        const int16_t type = db_.ParamType();
        if (type == kTextParameter) {
            db_.MessageSeek(db_.ParamOffset());
            row.value = q(db_.MessageMsg());
        } else if (type == kVariableDecimals) {
            const int32_t d = constant(decimalsOffset(I, n));
            row.value = showVariable(constant(I + n - 1), d);
        } else {
            const int16_t decimal = db_.ParamDecimal();
            row.value = showPlain(constant(I + n - 1), decimal);
        }
        v.params.push_back(row);
    }
    return v;
}

InputRow BlockModel::inputRow(int16_t function, int n, int32_t source)
{
    InputRow row;
    row.source = source;
    db_.InputSeek(function, static_cast<int16_t>(n));
    row.description = q(db_.InputDescription());
    const int16_t inputType = db_.InputType();
    const int16_t sourceFn = source >= 0 && source < kBlockCount ? table_[source] : kNopFunction;
    if (sourceFn == kNopFunction) {
        row.function = QStringLiteral("????");
        row.ad = QStringLiteral("?");
        return row;
    }
    db_.FuncSetIndex("FN");
    db_.FuncSeekI(sourceFn);
    row.function = db_.FuncNoMatch() ? QStringLiteral("????") : q(db_.FuncName());
    row.ad = inputType == 1 ? QStringLiteral("A") : inputType == 2 ? QStringLiteral("D") : QString();
    return row;
}

CatalogueTexts BlockModel::catalogueTexts()
{
    CatalogueTexts t;
    db_.FuncSetIndex("FN");
    for (db_.FuncMoveFirst(); !db_.FuncEOF(); db_.FuncMoveNext()) {
        const int16_t fn = db_.FuncFN();
        t.names << q(db_.FuncName()).trimmed();
        for (int16_t n = 1; n <= db_.FuncInputs(); ++n) {
            db_.InputSeek(fn, n);
            t.inputDescriptions << q(db_.InputDescription()).trimmed();
        }
        for (int16_t n = 1; n <= db_.FuncParams(); ++n) {
            db_.ParamSeek(fn, n);
            t.paramDescriptions << q(db_.ParamDescription()).trimmed();
        }
    }
    return t;
}

bool BlockModel::assignFunction(int block, const QString& functionName, QString& newCell)
{
    db_.FuncSetIndex("Fname");
    db_.FuncSeekS(s(functionName.trimmed()));
    if (db_.FuncNoMatch())
        return false;
    const int16_t fn = db_.FuncFN();
    // A block is never left with half of its constants.
    change(QStringLiteral("Assign %1 to Block %2").arg(functionName.trimmed(), QString::number(block)), block,
           blockScope(block, fn), [&] { inTransaction(db_, [&] { rebuildConstants(block, fn); }); });
    table_[block] = fn;
    newCell = fn == kNopFunction ? QStringLiteral(" ") : functionName.trimmed();
    return true;
}

CommitResult BlockModel::commitInput(int block, int row, const QString& text)
{
    CommitResult r = checkInputLink(text);
    if (r.store)
        changeConstant(QStringLiteral("Block %1 Input %2").arg(block).arg(row), block, row - 1, r.stored);
    return r;
}

CommitResult BlockModel::commitParameter(int block, int16_t function, int16_t inputCount, int row,
                                         const QString& text)
{
    const int I = inputCount;
    const QString name = QStringLiteral("Block %1 Parameter %2").arg(block).arg(row);
    db_.ParamSeek(function, static_cast<int16_t>(row));
    const int16_t type = db_.ParamType();
    if (type == kTextParameter) {
        const int16_t offset = db_.ParamOffset();
        const TextResult t = checkText(text);
        change(name, block, RowScope().withMessage(offset), [&] {
            db_.MessageSeek(offset);
            db_.MessageEdit();
            db_.MessageMsg(s(t.text));
            db_.MessageUpdate();
        });
        CommitResult r;
        r.shown = t.text;
        r.message = t.message;
        return r;
    }
    const int32_t min = db_.ParamMin();
    const int32_t max = db_.ParamMax();
    CommitResult r;
    if (type == kVariableDecimals) {
        if (!parseNumber(text)) {
            r.message = limitMessage(min, max);
            return r;
        }
        db_.ParamSeek(function, static_cast<int16_t>(row - 1));
        const int up = db_.ParamType() == 2 ? 1 : 2;
        const std::vector<int32_t> constants = constantsOf(block, function);
        const size_t at = static_cast<size_t>(std::max(I + row - 1 - up, 0));
        const int32_t d = at < constants.size() ? constants[at] : 0;
        r = checkVariable(text, min, max, d);
    } else {
        r = checkPlain(text, min, max, db_.ParamDecimal());
    }
    if (r.store)
        changeConstant(name, block, I + row - 1, r.stored);
    return r;
}

AuxChoice BlockModel::auxOutput(int block, const QString& functionName)
{
    AuxChoice a;
    const std::vector<int32_t> constants = constantsOf(block, table_[block]);
    const int32_t source = constants.size() > 0 ? constants[0] : 0;
    a.value = constants.size() > 1 ? constants[1] : 0;
    a.kind = functionName.trimmed() == QLatin1String("AABO") ? QStringLiteral("A") : QStringLiteral("D");
    a.sourceFunction = source >= 0 && source < kBlockCount ? table_[source] : kNopFunction;
    db_.FuncSetIndex("FN");
    db_.FuncSeekI(a.sourceFunction);
    if (!db_.FuncNoMatch()) {
        a.sourceName = q(db_.FuncName()).trimmed();
        a.count = a.kind == QLatin1String("A") ? db_.FuncAuxAnalogs() : db_.FuncAuxDiscretes();
    }
    for (int i = 1; i <= a.count; ++i) {
        db_.AuxSeek(a.sourceFunction, s(a.kind), static_cast<int16_t>(i));
        a.outputNames << q(db_.AuxDescription());
    }
    // The stored number is shown as it is, since a download sends it as it is, even
    // when the source block (changed since) does not offer that output.
    if (a.value >= 1 && a.value <= a.count)
        a.name = a.outputNames[a.value - 1];
    else if (a.value != 0)
        a.name = QStringLiteral("NOT OFFERED BY ") + (a.sourceName.isEmpty() ? QStringLiteral("????") : a.sourceName);
    else
        a.name = a.count == 0 ? QStringLiteral("NO AUX OUTPUT") : QStringLiteral("NO SELECTION");
    return a;
}

void BlockModel::storeAuxValue(int block, int32_t value)
{
    changeConstant(QStringLiteral("Block %1 Aux Output").arg(block), block, 1, value);
}

} // namespace brevant
