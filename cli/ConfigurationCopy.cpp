#include "ConfigurationCopy.h"

#include "Terminal.h"

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
