#pragma once
// File > History: the transfer history of the open configuration and of the port, an
// entry compared with the open file or restored as a new file, and the folder a team
// shares its history in. Captioned "Transfer History", apart from Edit > History, the
// undo steps of the open configuration.

#include "orvane/record/TransferEntry.h"

#include <QDialog>

#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace brevant {

class EditorSession;

class frmTransferHistory : public QDialog {
    Q_OBJECT
public:
    // `port`: the port of the settings, as a transfer records it.
    frmTransferHistory(QWidget* parent, const EditorSession& session, QString port);

    QTableWidget* entries() const { return grid_; }
    void compareWithOpenFile();
    void restoreAsNewFile();
    // Takes the folder typed (or chosen) as the shared folder ("" for this user's own).
    void useFolder(const QString& folder);

private:
    void reload();
    void showDetails();
    // The whole selected entry, or nothing after saying why.
    std::optional<orvane::record::TransferEntry> selectedEntry();

    const EditorSession& session_;
    QString port_;
    std::vector<orvane::record::TransferEntry> shown_;
    QLabel* about_;
    QTableWidget* grid_;
    QPlainTextEdit* details_;
    QLabel* warnings_;
    QLineEdit* folder_;
    QPushButton* compare_;
    QPushButton* restore_;
};

} // namespace brevant
