#include "ConfigurationCopy.h"

#include "Terminal.h"

#include "orvane/arguments/ExitStatus.h"

#include "orvane/files/WritingHold.h"
#include "orvane/formats/JetFiles.h"

#include <kessig/OrvaneDB.h>

#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace orvane::cli {

std::unique_ptr<orvane::files::WorkingCopy> copyForStore(const QString& file)
{
    const QFileInfo info(file);
    if (!info.isFile()) {
        say(file + QStringLiteral(": no such configuration file"));
        return nullptr;
    }
    try {
        const std::string recovered =
            kessig::recoverInterruptedWrite(QFile::encodeName(info.absoluteFilePath()).toStdString(), file.toStdString());
        if (!recovered.empty())
            say(QString::fromStdString(recovered));
        return std::make_unique<orvane::files::WorkingCopy>(info.absoluteFilePath(), orvane::formats::copyConfiguration);
    } catch (const std::runtime_error& e) {
        say(QString::fromStdString(e.what()));
        return nullptr;
    }
}

int onStoredCopy(const QString& file, const QString& catalogueFolder, kessig::Durability durability,
                 const std::function<int(kessig::OrvaneDB&)>& use)
{
    const auto copy = copyForStore(file);
    if (!copy)
        return orvane::arguments::kExitUsage;
    try {
        kessig::OrvaneDB db;
        db.open_database(catalogueFolder.toStdString());
        // The store's messages name the user's file, never the working copy.
        db.open_existing_database(copy->path().toStdString(), durability, file.toStdString());
        const int status = use(db);
        db.close_work_dbs();
        db.close_database();
        return status;
    } catch (const std::exception& e) {
        return failed(e);
    }
}

QString replaceQuestion(const QString& file, const QString& question)
{
    if (!orvane::files::heldForWriting(file))
        return question;
    return file + QStringLiteral(" is open for writing in another program of the tool set (an editor or an upload), "
                                 "which will ask before it saves over the new content. ") + question;
}

QString whereToSaveOverAChange(TerminalOperator& user, const QString& file, const QString& when)
{
    const auto answer = user.askText((file + QStringLiteral(" was changed by another program ") + when
                                      + QStringLiteral(".\nOverwrite it (o), save as another file (s), or cancel (c)?"))
                                         .toStdString());
    if (answer == "o")
        return file;
    if (answer == "s")
        if (const auto name = user.askText("Save as:"); name && !name->empty())
            return QString::fromStdString(*name);
    return {};
}

} // namespace orvane::cli
