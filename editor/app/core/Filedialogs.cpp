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

bool Filedialogs::LoadGlobalFile(const QString& fileName)
{
    try {
        session_.LoadGlobalFile(fileName);
    } catch (const std::exception& e) {
        reportError(window_.messageParent(), e);
        return false;
    }
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

bool Filedialogs::saveBack(const QString& target)
{
    if (auto error = session_.copyBack(target)) {
        showMessage(window_.messageParent(), QStringLiteral("The configuration could not be saved:\r") + *error
                                                 + QStringLiteral("\rYour changes are kept; save again or use Save As."),
                    Buttons::Ok, Icon::Critical);
        session_.reopenWorkFile();
        return false;
    }
    if (!session_.keptOriginal().isEmpty())
        showMessage(window_.messageParent(),
                    orvane::formats::keptOriginalMessage(target.isEmpty() ? session_.GlobalFile : target,
                                                         session_.keptOriginal()),
                    Buttons::Ok, Icon::Information);
    return true;
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
    return a != Answer::Yes || saveBack();
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
    if (!session_.FileReadOnly && !saveBack())
        return;
    session_.deleteWorkFile();
    ReloadGlobalFile();
}

void Filedialogs::fileSaveAs()
{
    if (!session_.FileOpened)
        return;
    const QString name = configurationName(
        askConfiguration(window_.messageParent(), configurationDialog(FileDialogKind::Save, session_.GlobalFile)));
    if (name.isEmpty() || name == session_.GlobalFile) {
        fileSave();
        return;
    }
    if (QFileInfo::exists(name)
        && showMessage(window_.messageParent(), name + QStringLiteral(" already exists.") + QLatin1Char('\r')
                                                    + QStringLiteral("Do you want to replace it?"),
                       Buttons::YesNo, Icon::Exclamation, QStringLiteral("Save AS")) != Answer::Yes)
        return;
    session_.CloseWorkFile();
    // The old file is replaced in one step, so a failed copy leaves it whole.
    if (!saveBack(name))
        return;
    // A copy saved under a new name is the user's own to edit, even from a read-only file.
    if (session_.FileReadOnly)
        QFile::setPermissions(name, QFile::permissions(name) | QFileDevice::WriteOwner);
    session_.deleteWorkFile();
    if (LoadGlobalFile(name))
        showConfiguration();
    else
        ReloadGlobalFile();
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
    try {
        session_.LoadGlobalFile(fileName);
    } catch (const std::exception& e) {
        reportError(window_.messageParent(), e);
        return;
    }
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
