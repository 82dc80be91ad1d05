#include "TransferHistoryWindow.h"

#include "CompareCommands.h"
#include "core/CompareRun.h"
#include "core/EditorSession.h"
#include "linkwin/transfer/HistorySetting.h"
#include "ui/MessageSeam.h"

#include "orvane/files/WorkingCopy.h"
#include "orvane/record/Restore.h"
#include "orvane/record/TransferHistory.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace brevant {

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

// Where the history is kept, or nothing after saying why it cannot be.
std::optional<orvane::record::TransferHistory> openHistory(QWidget* parent)
{
    try {
        return orvane::record::TransferHistory(orvane::record::historyFolder(linkwin::sharedHistoryFolder()));
    } catch (const std::exception& e) {
        showMessage(parent, QString::fromStdString(e.what()), Buttons::Ok, Icon::Exclamation);
        return std::nullopt;
    }
}

} // namespace

frmTransferHistory::frmTransferHistory(QWidget* parent, const EditorSession& session, QString port)
    : QDialog(parent), session_(session), port_(std::move(port))
{
    setObjectName(QStringLiteral("frmTransferHistory"));
    setWindowTitle(QStringLiteral("Transfer History"));
    about_ = new QLabel(this);
    about_->setObjectName(QStringLiteral("lblAbout"));
    about_->setWordWrap(true);
    grid_ = new QTableWidget(0, 7, this);
    grid_->setObjectName(QStringLiteral("grdEntries"));
    grid_->setHorizontalHeaderLabels({QStringLiteral("Time (UTC)"), QStringLiteral("Operation"), QStringLiteral("Outcome"),
                                      QStringLiteral("File"), QStringLiteral("User"), QStringLiteral("Host"),
                                      QStringLiteral("Port")});
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setStretchLastSection(true);
    details_ = new QPlainTextEdit(this);
    details_->setObjectName(QStringLiteral("txtDetails"));
    details_->setReadOnly(true);
    details_->setMaximumHeight(details_->fontMetrics().lineSpacing() * 8);
    warnings_ = new QLabel(this);
    warnings_->setObjectName(QStringLiteral("lblWarnings"));
    warnings_->setWordWrap(true);
    compare_ = button(this, "cmdCompare", QStringLiteral("&Compare With Open File"));
    restore_ = button(this, "cmdRestore", QStringLiteral("&Restore As..."));
    auto* close = button(this, "cmdClose", QStringLiteral("Close"));
    folder_ = new QLineEdit(linkwin::sharedHistoryFolder(), this);
    folder_->setObjectName(QStringLiteral("txtSharedFolder"));
    folder_->setPlaceholderText(QStringLiteral("none: this user's own history"));
    auto* browse = button(this, "cmdBrowse", QStringLiteral("&Browse..."));

    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(QStringLiteral("Shared history folder:"), this));
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(compare_);
    buttons->addWidget(restore_);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(about_);
    layout->addWidget(grid_, 1);
    layout->addWidget(details_);
    layout->addWidget(warnings_);
    layout->addLayout(folderRow);
    layout->addLayout(buttons);
    resize(900, 520);

    connect(grid_, &QTableWidget::itemSelectionChanged, this, &frmTransferHistory::showDetails);
    connect(compare_, &QPushButton::clicked, this, &frmTransferHistory::compareWithOpenFile);
    connect(restore_, &QPushButton::clicked, this, &frmTransferHistory::restoreAsNewFile);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(folder_, &QLineEdit::editingFinished, this, [this] { useFolder(folder_->text().trimmed()); });
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("Shared History Folder"), folder_->text());
        if (!chosen.isEmpty())
            useFolder(chosen);
    });
    reload();
}

void frmTransferHistory::useFolder(const QString& folder)
{
    if (folder == linkwin::sharedHistoryFolder())
        return;
    if (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        showMessage(this, folder + QStringLiteral(" is no folder."), Buttons::Ok, Icon::Exclamation);
        folder_->setText(linkwin::sharedHistoryFolder());
        return;
    }
    linkwin::setSharedHistoryFolder(folder);
    folder_->setText(folder);
    reload();
}

void frmTransferHistory::reload()
{
    grid_->setRowCount(0);
    shown_.clear();
    const auto history = openHistory(this);
    const QString file = session_.FileOpened ? session_.GlobalFile : QString();
    about_->setText(QStringLiteral("Downloads, uploads and verifies of %1 and of the port %2, newest first, from %3.")
                        .arg(file.isEmpty() ? QStringLiteral("(no configuration open)") : file, port_,
                             history ? history->folder() : QStringLiteral("(no history folder)")));
    if (!history)
        return;
    const auto listing = history->list();
    shown_ = orvane::record::entriesAbout(listing.entries, file, port_);
    warnings_->setText(listing.warnings.join(QLatin1Char('\n')));
    warnings_->setVisible(!listing.warnings.isEmpty());
    grid_->setRowCount(int(shown_.size()));
    for (int row = 0; row < int(shown_.size()); ++row) {
        const auto& e = shown_[size_t(row)];
        const QStringList cells{orvane::record::shownTime(e).chopped(4), e.operation, e.outcome, e.file, e.user, e.host, e.port};
        for (int column = 0; column < cells.size(); ++column)
            grid_->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    grid_->resizeColumnsToContents();
    if (!shown_.empty())
        grid_->selectRow(0);
    showDetails();
}

void frmTransferHistory::showDetails()
{
    const int row = grid_->currentRow();
    const bool chosen = row >= 0 && row < int(shown_.size()) && grid_->selectionModel()->hasSelection();
    compare_->setEnabled(chosen && session_.FileOpened);
    restore_->setEnabled(chosen);
    if (!chosen) {
        details_->clear();
        return;
    }
    const auto& e = shown_[size_t(row)];
    QStringList lines{QStringLiteral("Entry %1, by %2").arg(e.id, e.program),
                      QStringLiteral("Controller: %1").arg(e.identification),
                      QStringLiteral("Controller image SHA-256: %1").arg(e.imageSha256.isEmpty() ? QStringLiteral("none") : e.imageSha256)};
    if (!e.note.isEmpty())
        lines << QString(e.note).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    details_->setPlainText(lines.join(QLatin1Char('\n')));
}

std::optional<orvane::record::TransferEntry> frmTransferHistory::selectedEntry()
{
    const int row = grid_->currentRow();
    const auto history = openHistory(this);
    if (row < 0 || row >= int(shown_.size()) || !history)
        return std::nullopt;
    const auto whole = history->read(shown_[size_t(row)]);
    if (!whole) {
        showMessage(this, QStringLiteral("Entry %1 can no longer be read.").arg(shown_[size_t(row)].id), Buttons::Ok,
                    Icon::Exclamation);
        return std::nullopt;
    }
    if (whole->changed)
        showMessage(this, QStringLiteral("Entry %1 was changed after it was written: what it holds is not what was recorded.")
                              .arg(whole->entry.id),
                    Buttons::Ok, Icon::Exclamation);
    return whole->entry;
}

void frmTransferHistory::compareWithOpenFile()
{
    const auto entry = selectedEntry();
    if (!entry || !session_.FileOpened)
        return;
    try {
        // The recorded configuration is built in a folder of its own for the compare only.
        const orvane::files::WorkingFolder folder(orvane::files::WorkingFolder::Purpose::Import);
        const QString built = folder.filePath(entry->id + QStringLiteral(".mdb"));
        if (const auto failure = orvane::record::restoreEntry(*entry, companionFolder(), built)) {
            showMessage(this, *failure, Buttons::Ok, Icon::Exclamation);
            return;
        }
        vCompareDatabase(this, built, 'L', session_.GlobalFile);
    } catch (const std::exception& e) {
        showMessage(this, QString::fromStdString(e.what()), Buttons::Ok, Icon::Exclamation);
    }
}

void frmTransferHistory::restoreAsNewFile()
{
    const auto entry = selectedEntry();
    if (!entry)
        return;
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.caption = QStringLiteral("Restore As");
    request.filter = kConfigurationFilter;
    const QFileInfo recorded(entry->file);
    const QString folder = session_.FileOpened ? QFileInfo(session_.GlobalFile).absolutePath() : recorded.absolutePath();
    request.fileName = folder + QLatin1Char('/') + recorded.completeBaseName() + QLatin1Char('-') + entry->id + QStringLiteral(".mdb");
    const QString target = askFileName(this, request);
    if (target.isEmpty())
        return;
    if (const auto failure = orvane::record::restoreEntry(*entry, companionFolder(), target))
        showMessage(this, *failure, Buttons::Ok, Icon::Exclamation);
    else
        showMessage(this, QStringLiteral("Entry %1 restored into %2.").arg(entry->id, target), Buttons::Ok, Icon::Information);
}

} // namespace brevant
