#include "QuickMessages.h"

#include "ConfigurationTexts.h"
#include "EditorSession.h"
#include "ErrorText.h"

#include <kessig/OrvaneDB.h>

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlRecord>

namespace brevant {

namespace {

constexpr int kLastBlock = 159;
constexpr int kLastParameter = 255;   // the controller's record holds the parameter in one byte

std::optional<int> wholeNumber(const QVariant& typed)
{
    bool ok = false;
    const int v = typed.toString().trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(v) : std::nullopt;
}

} // namespace

QuickCell checkQuickCell(const QString& field, const QVariant& typed)
{
    if (field == QLatin1String("Message")) {
        const QString text = typed.toString();
        if (text.isEmpty())
            return {std::nullopt, QStringLiteral("Message Must Not Be Empty.")};
        const FieldText fitted = fitToField(text, kQuickMessageLength, QStringLiteral("Message"));
        return {QVariant(fitted.text), fitted.message};
    }
    const std::optional<int> n = wholeNumber(typed);
    if (field == QLatin1String("Block")) {
        if (!n || *n < 0 || *n > kLastBlock)
            return {std::nullopt, QStringLiteral("Block Number Must Be between 0 and 159.")};
        return {QVariant(*n), QString()};
    }
    if (field == QLatin1String("Parameter")) {
        if (!n || *n < 0 || *n > kLastParameter)
            return {std::nullopt, QStringLiteral("Parameter Number Must Be between 0 and 255.")};
        return {QVariant(*n), QString()};
    }
    return {std::nullopt, QString()};
}

QuickMessageTable::QuickMessageTable(EditorSession& session, const QSqlDatabase& connection, QObject* parent)
    : QSqlTableModel(parent, connection), session_(session)
{
    setTable(QStringLiteral("QuickMessages"));
    // The table's unique index is on Offset; rows are found by it.
    QSqlIndex key(tableName(), QStringLiteral("PrimaryKey"));
    key.append(record().field(QStringLiteral("Offset")));
    setPrimaryKey(key);
    setSort(fieldIndex(QStringLiteral("Offset")), Qt::AscendingOrder);
    setEditStrategy(QSqlTableModel::OnFieldChange);
}

Qt::ItemFlags QuickMessageTable::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QSqlTableModel::flags(index);
    if (session_.FileReadOnly || index.column() == fieldIndex(QStringLiteral("Offset")))
        f &= ~Qt::ItemIsEditable;
    return f;
}

bool QuickMessageTable::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const QuickCell cell = checkQuickCell(record().fieldName(index.column()), value);
    if (!cell.message.isEmpty())
        emit notice(cell.message);
    if (!cell.value)
        return false;
    if (QSqlTableModel::setData(index, *cell.value, role))
        return true;
    emit notice(QStringLiteral("Database error:\r") + lastError().text());
    revertAll();
    return false;
}

bool QuickMessageTable::updateRowInTable(int row, const QSqlRecord& values)
{
    // The grid writes through its own connection; the history reads the row through the
    // store before and after, and undoes it there.
    const auto offset = static_cast<int16_t>(primaryValues(row).value(0).toInt());
    QString field;
    for (int i = 0; i < values.count() && field.isEmpty(); ++i)
        if (values.isGenerated(i))
            field = values.fieldName(i);
    const QString name = QStringLiteral("Quick Message %1 %2").arg(row + 1).arg(field);
    bool written = false;
    try {
        session_.history().record(name, RowScope().withQuick(offset), -1,
                                  [&] { written = QSqlTableModel::updateRowInTable(row, values); });
    } catch (const std::exception& e) {
        // The store could not read the row around the write; a write made counts still.
        if (written)
            session_.countWrite();
        setLastError(QSqlError(errorText(e), QString(), QSqlError::UnknownError));
        return false;
    }
    return written;
}

QuickMessageData::QuickMessageData(EditorSession& session, QObject* parent)
    : QObject(parent), session_(session)
{
    static int connections = 0;
    connection_ = QStringLiteral("Data1-%1").arg(++connections);
    setObjectName(QStringLiteral("Data1"));
}

QuickMessageData::~QuickMessageData() { close(); }

bool QuickMessageData::Refresh()
{
    error_.clear();
    if (model_ && file_ == session_.WorkFile) {
        if (model_->select())
            return true;
        error_ = model_->lastError().text();
        return false;
    }
    close();
    session_.db().ShareFile(true);
    file_ = session_.WorkFile;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(file_);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    if (!db.open()) {
        error_ = db.lastError().text();
        close();
        return false;
    }
    // The grid's connection runs nothing stored in the file either.
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0 || *static_cast<sqlite3* const*>(handle.data()) == nullptr) {
        error_ = QStringLiteral("The quick messages cannot be shown: the SQLite driver gives no connection.");
        close();
        return false;
    }
    try {
        kessig::secureConnection(*static_cast<sqlite3* const*>(handle.data()));
    } catch (const std::exception& e) {
        error_ = QString::fromStdString(e.what());
        close();
        return false;
    }
    model_ = std::make_unique<QuickMessageTable>(session_, db);
    connect(model_.get(), &QuickMessageTable::notice, this, &QuickMessageData::notice);
    if (!model_->select()) {
        error_ = model_->lastError().text();
        close();
        return false;
    }
    emit modelChanged();
    return true;
}

void QuickMessageData::close()
{
    const bool wasOpen = model_ || QSqlDatabase::contains(connection_);
    if (model_) {
        model_.reset();
        emit modelChanged();
    }
    if (QSqlDatabase::contains(connection_)) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }
    if (wasOpen && session_.db().ConfigurationOpen())
        session_.db().ShareFile(false);
    file_.clear();
}

} // namespace brevant
