#include "ConfigurationCopy.h"

#include "Terminal.h"

#include "orvane/formats/JetFiles.h"

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
        return std::make_unique<orvane::files::WorkingCopy>(info.absoluteFilePath(), orvane::formats::copyConfiguration);
    } catch (const std::runtime_error& e) {
        say(QString::fromStdString(e.what()));
        return nullptr;
    }
}

} // namespace orvane::cli
