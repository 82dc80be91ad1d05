#include "Filedialogs.h"

#include "ErrorText.h"
#include "orvane/formats/JetFiles.h"

#include <kessig/OrvaneDB.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace brevant {

namespace {

FileDialogRequest configurationDialog(FileDialogKind kind, const QString& name, const QString& caption = {})
{
    FileDialogRequest r;
    r.kind = kind;
    r.caption = caption;
    r.filter = kConfigurationFilter;
    r.fileName = name;
    return r;
}

// A configuration's name as typed into New or Save As, with ".mdb" added when missing.
QString configurationName(const QString& typed)
{
    if (typed.isEmpty() || typed.endsWith(QStringLiteral(".mdb"), Qt::CaseInsensitive))
        return typed;
    return typed + QStringLiteral(".mdb");
}

} // namespace

void reportError(QWidget* parent, const std::exception& e)
{
    showMessage(parent, errorText(e), Buttons::Ok, Icon::Critical);
}

bool Filedialogs::openFile(const QString& fileName)
{
    // Reopening the file in hand keeps the choice made when it was opened.
    bool readOnly = fileName == session_.GlobalFile && session_.readOnlyChosen();
    if (fileName != session_.GlobalFile && session_.heldByAnotherProgram(fileName)) {
        const Answer a = showMessage(window_.messageParent(),
                                     fileName + QStringLiteral(" is open for writing in another program of the tool set.\r")
                                         + QStringLiteral("Open it read-only?\r\rNo opens it for writing: whichever saves "
                                                          "later is asked before it replaces the other's changes."),
                                     Buttons::YesNoCancel, Icon::Exclamation);
        if (a == Answer::Cancel)
            return false;
        readOnly = a == Answer::Yes;
    }
    try {
        session_.LoadGlobalFile(fileName, readOnly);
    } catch (const std::exception& e) {
        reportError(window_.messageParent(), e);
        return false;
    }
    if (!session_.recovered().isEmpty())
        showMessage(window_.messageParent(), session_.recovered(), Buttons::Ok, Icon::Information);
    return true;
}

bool Filedialogs::LoadGlobalFile(const QString& fileName)
{
    if (!openFile(fileName))
        return false;
    MRUmodule::AddRecentFile(fileName);
    MRUmodule::ShowRecentFiles(window_);
    window_.showCaption(session_.MainCaption());
    window_.SetReadOnly();
    window_.hideStartUpWindow();
    return true;
}

void Filedialogs::showConfiguration()
{
    window_.FillBlockMap();
    window_.Grid1_Click();
    window_.SetReadOnly();
}

void Filedialogs::ReloadGlobalFile()
{
    if (session_.GlobalFile.isEmpty())
        return;
    if (LoadGlobalFile(session_.GlobalFile))
        showConfiguration();
}

QString Filedialogs::saveBack(const QString& target)
{
    QString file = target.isEmpty() ? session_.GlobalFile : target;
    while (file == session_.GlobalFile && session_.changedSinceOpened()) {
        const Answer a = showMessage(
            window_.messageParent(),
            session_.GlobalFile + QStringLiteral(" was changed by another program since you opened it.\r")
                + QStringLiteral("Overwrite it with your version, save your version as another file, or cancel?"),
            Buttons::OverwriteSaveAsCancel, Icon::Exclamation);
        if (a == Answer::Yes)
            break;
        // The dialog starts in the folder, so that just pressing Save cannot pick the same file.
        const auto name = a == Answer::No ? askSaveAsName(QFileInfo(session_.GlobalFile).absolutePath() + QLatin1Char('/'))
                                          : QString();
        if (name && name->isEmpty()) {
            session_.reopenWorkFile();
            return {};
        }
        if (name)
            file = *name;
    }
    if (auto error = session_.copyBack(file == session_.GlobalFile ? QString() : file)) {
        showMessage(window_.messageParent(), QStringLiteral("The configuration could not be saved:\r") + *error
                                                 + QStringLiteral("\rYour changes are kept; save again or use Save As."),
                    Buttons::Ok, Icon::Critical);
        session_.reopenWorkFile();
        return {};
    }
    if (!session_.keptOriginal().isEmpty())
        showMessage(window_.messageParent(), orvane::formats::keptOriginalMessage(file, session_.keptOriginal()),
                    Buttons::Ok, Icon::Information);
    return file;
}

void Filedialogs::showSaved(const QString& saved)
{
    session_.deleteWorkFile();
    if (saved == session_.GlobalFile)
        ReloadGlobalFile();
    else if (LoadGlobalFile(saved))
        showConfiguration();
    else
        ReloadGlobalFile();
}

bool Filedialogs::askBeforeLeaving()
{
    if (!session_.WorkFileChanged())
        return true;
    const Answer a = showMessage(window_.messageParent(),
                                 QStringLiteral("Save changes to ") + session_.GlobalFile + QStringLiteral("?"),
                                 Buttons::YesNoCancel, Icon::Exclamation, QStringLiteral("Brevant"));
    if (a == Answer::Cancel) {
        session_.reopenWorkFile();
        return false;
    }
    return a != Answer::Yes || !saveBack().isEmpty();
}

QString Filedialogs::startFolder() const
{
    if (!session_.GlobalFile.isEmpty())
        return QFileInfo(session_.GlobalFile).absolutePath();
    const QString recent = MRUmodule::entries().value(0);
    for (const QString& folder : {lastFolder_, recent.isEmpty() ? QString() : QFileInfo(recent).absolutePath()})
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    return QDir::homePath();
}

QString Filedialogs::askConfiguration(QWidget* parent, const FileDialogRequest& request)
{
    const QString name = askFileName(parent, request);
    if (!name.isEmpty())
        lastFolder_ = QFileInfo(name).absolutePath();
    return name;
}

bool Filedialogs::CreateNewFile()
{
    const QString name = configurationName(askConfiguration(
        startWindow_, configurationDialog(FileDialogKind::Save, startFolder(), QStringLiteral("New Configuration"))));
    if (name.isEmpty())
        return false;
    if (QFileInfo::exists(name)) {
        if (showMessage(startWindow_, name + QStringLiteral(" Already Exists") + QLatin1Char('\r')
                                          + QStringLiteral("Replace ") + name, Buttons::YesNo) != Answer::Yes)
            return false;
    }
    try {
        if (QFileInfo::exists(name) && !QFile::remove(name))
            throw std::runtime_error((name + QStringLiteral(" cannot be replaced")).toStdString());
        session_.BlockFunctions = defaultBlockFunctions();
        session_.db().create_new_database(name.toStdString());
    } catch (const std::exception& e) {
        reportError(window_.messageParent(), e);
        return false;
    }
    return LoadGlobalFile(name);
}

bool Filedialogs::OpenExistingFile()
{
    const QString name = askConfiguration(startWindow_, configurationDialog(FileDialogKind::Open, startFolder()));
    if (name.isEmpty())
        return false;
    if (!QFileInfo::exists(name)) {
        showMessage(startWindow_, name + QStringLiteral(" Does Not Exist"));
        return false;
    }
    return LoadGlobalFile(name);
}

bool Filedialogs::leaveWorkFile()
{
    session_.CloseWorkFile();
    if (!askBeforeLeaving())
        return false;
    session_.deleteWorkFile();
    session_.history().clear();
    return true;
}

void Filedialogs::leaveFor(bool (Filedialogs::*choose)())
{
    if (!leaveWorkFile())
        return;
    if ((this->*choose)())
        showConfiguration();
    else
        ReloadGlobalFile();
}

void Filedialogs::fileNew()
{
    leaveFor(&Filedialogs::CreateNewFile);
}

void Filedialogs::fileOpen()
{
    leaveFor(&Filedialogs::OpenExistingFile);
}

void Filedialogs::fileSave()
{
    if (!session_.FileOpened)
        return;
    session_.CloseWorkFile();
    // A read-only working copy holds no change, and the user's file may not be replaced.
    const QString saved = session_.FileReadOnly ? session_.GlobalFile : saveBack();
    if (!saved.isEmpty())
        showSaved(saved);
}

std::optional<QString> Filedialogs::askSaveAsName(const QString& proposed)
{
    const QString name =
        configurationName(askConfiguration(window_.messageParent(), configurationDialog(FileDialogKind::Save, proposed)));
    if (name.isEmpty() || name == session_.GlobalFile || replaceAllowed(window_.messageParent(), name))
        return name;
    return std::nullopt;
}

void Filedialogs::fileSaveAs()
{
    if (!session_.FileOpened)
        return;
    const auto name = askSaveAsName(session_.GlobalFile);
    if (!name)
        return;
    if (name->isEmpty() || *name == session_.GlobalFile) {
        fileSave();
        return;
    }
    session_.CloseWorkFile();
    // The old file is replaced in one step, so a failed copy leaves it whole.
    if (saveBack(*name).isEmpty())
        return;
    // A copy saved under a new name is the user's own to edit, even from a read-only file.
    if (session_.FileReadOnly)
        QFile::setPermissions(*name, QFile::permissions(*name) | QFileDevice::WriteOwner);
    showSaved(*name);
}

void Filedialogs::fileRestore()
{
    if (!session_.FileOpened)
        return;
    session_.deleteWorkFile();
    session_.history().clear();
    ReloadGlobalFile();
}

bool Filedialogs::fileExit()
{
    if (!askBeforeLeaving())
        return false;
    session_.CloseWorkFile();
    session_.deleteWorkFile();
    try {
        session_.db().close_database();
    } catch (const std::exception& e) {
        reportError(window_.messageParent(), e);
    }
    window_.endProgram();
    return true;
}

bool Filedialogs::openGivenFile(const QString& fileName)
{
    if (!QFileInfo::exists(fileName)) {
        showMessage(window_.messageParent(), fileName + QStringLiteral(" Does Not Exist"));
        return false;
    }
    return LoadGlobalFile(QFileInfo(fileName).absoluteFilePath());
}

void Filedialogs::OpenRecentEntry(const QString& fileName)
{
    if (!openFile(fileName))
        return;
    window_.showCaption(session_.MainCaption());
    window_.SetReadOnly();
    MRUmodule::MoveFileToTop(fileName);
    MRUmodule::ShowRecentFiles(window_);
}

void Filedialogs::mnuRecentFile_Click(int index)
{
    if (!leaveWorkFile())
        return;
    const QString name = window_.recentCaption(index);
    if (!QFileInfo::exists(name)) {
        showMessage(window_.messageParent(), name + QStringLiteral(" No Longer Exists"));
        ReloadGlobalFile();
    } else if (name != session_.GlobalFile) {
        OpenRecentEntry(name);
        if (session_.FileOpened && session_.WorkFile.isEmpty())
            ReloadGlobalFile();   // the entry could not be opened: back to the old file
        else
            showConfiguration();
    } else {
        ReloadGlobalFile();
    }
}

void Filedialogs::GetRecentFile(const QString& name)
{
    if (!QFileInfo::exists(name)) {
        showMessage(window_.messageParent(), name + QStringLiteral(" No Longer Exists"));
        return;
    }
    if (name != session_.GlobalFile) {
        OpenRecentEntry(name);
        window_.FillBlockMap();
    }
}

} // namespace brevant
