#pragma once
// The quick messages as a data-bound table on the working copy: the rows of
// "QuickMessages" in Offset order, each changed cell written at once through a
// connection of the table's own. The store shares the file while it is open, and
// every write is counted by the session's change test.

#include <QSqlTableModel>
#include <QVariant>
#include <memory>
#include <optional>

namespace brevant {

class EditorSession;

// What a typed cell becomes: the value to store, or nothing; and a message to show first.
struct QuickCell {
    std::optional<QVariant> value;
    QString message;
};
// Checks a cell of the field named `field` ("Message", "Block" or "Parameter") the way
// the store and the controller's quick-message records will take it.
QuickCell checkQuickCell(const QString& field, const QVariant& typed);

class QuickMessageTable : public QSqlTableModel {
    Q_OBJECT
public:
    QuickMessageTable(EditorSession& session, const QSqlDatabase& connection, QObject* parent = nullptr);

    // Checks the typed value first; a refused one leaves the cell as it was.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // A message for the user, shown before the cell is stored or when it was refused.
    void notice(const QString& text);

protected:
    bool updateRowInTable(int row, const QSqlRecord& values) override;

private:
    EditorSession& session_;
};

// "Data1": the data control of the quick-message grid.
class QuickMessageData : public QObject {
    Q_OBJECT
public:
    explicit QuickMessageData(EditorSession& session, QObject* parent = nullptr);
    ~QuickMessageData() override;

    // Opens the working copy (again) and reads the table. False with errorText() when it failed.
    bool Refresh();
    // Closes the connection; the store holds the file alone again.
    void close();
    QuickMessageTable* model() const { return model_.get(); }
    QString errorText() const { return error_; }

signals:
    void notice(const QString& text);
    // The table was opened or closed: a grid shows model().
    void modelChanged();

private:
    EditorSession& session_;
    QString connection_;
    QString file_;
    std::unique_ptr<QuickMessageTable> model_;
    QString error_;
};

} // namespace brevant
