#include "EditorApp.h"

#include "ui/SettingsStore.h"

#include "orvane/files/Leftovers.h"

#include <QDir>

namespace brevant {

EditorApp::EditorApp() : session_(std::make_unique<EditorSession>(db_)) {}

EditorApp::~EditorApp()
{
    form3_.reset();
    if (session_) {
        session_->deleteWorkFile();
    }
    try {
        if (db_.CatalogueOpen())
            db_.close_database();
    } catch (const std::exception&) {
        // Leaving anyway; nothing of the user's is at stake in the catalogue.
    }
}

QString EditorApp::start(const QString& folder)
{
    // A termination signal takes this run's working files with it; those of editors and
    // command lines that were killed go now.
    orvane::files::removeWorkingFilesOnTermination();
    orvane::files::removeLeftovers();
    frmStart_ = std::make_unique<FrmStart>();
    comm_ = LoadCommSettings();
    const QString catalogue = QDir(folder).filePath(QStringLiteral("OrvaneDATA.DAT"));
    try {
        db_.open_database(folder.toStdString());
        form3_ = std::make_unique<Form3>(*session_, frmStart_.get());
    } catch (const std::exception& e) {
        QString detail = QString::fromStdString(e.what());
        if (const auto* db = dynamic_cast<const kessig::DbError*>(&e))
            detail = QStringLiteral("Error %1: ").arg(db->number()) + QString::fromStdString(db->text());
        return QStringLiteral("The function catalogue ") + catalogue + QStringLiteral(" cannot be read.\r") + detail;
    }
    session_->FileOpened = false;
    return {};
}

void EditorApp::showStartUp(const QString& givenFile)
{
    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setSingleShot(true);
    timer1_.setInterval(2000);
    QObject::connect(&timer1_, &QTimer::timeout, form3_.get(), [this, givenFile] {
        // The start-up window stays up behind the start dialog until it returns.
        form3_->setGivenFile(givenFile);
        form3_->show();
        form3_->firstActivation();
        frmStart_->hide();
    });
    timer1_.start();
    frmStart_->show();
}

} // namespace brevant
