#include "WorkingCopy.h"

#include "orvane/files/WorkingCopy.h"
#include "orvane/formats/JetFiles.h"

#include <stdexcept>

namespace orvane::cli {

WorkingCopy::WorkingCopy(const QString& original) : original_(original)
{
    try {
        path_ = orvane::files::GetWorkFileName();
    } catch (const std::runtime_error& e) {
        error_ = QString::fromStdString(e.what());
        return;
    }
    if (const auto failure = orvane::formats::copyConfiguration(original, path_))
        error_ = *failure;
}

WorkingCopy::~WorkingCopy()
{
    if (!path_.isEmpty())
        orvane::files::deleteFileForced(path_);
}

bool WorkingCopy::replaceOriginal()
{
    const orvane::formats::Replacement replaced = orvane::formats::replaceConfiguration(path_, original_);
    if (replaced.error) {
        error_ = *replaced.error;
        return false;
    }
    keptOriginal_ = replaced.keptOriginal;
    return true;
}

} // namespace orvane::cli
