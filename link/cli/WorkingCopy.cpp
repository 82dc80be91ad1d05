#include "WorkingCopy.h"

#include "orvane/files/WorkingCopy.h"

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
    if (const auto failure = orvane::files::copyKeepingTimes(original, path_))
        error_ = *failure;
}

WorkingCopy::~WorkingCopy()
{
    if (!path_.isEmpty())
        orvane::files::deleteFileForced(path_);
}

bool WorkingCopy::replaceOriginal()
{
    if (const auto failure = orvane::files::copyBackAtomically(path_, original_)) {
        error_ = *failure;
        return false;
    }
    return true;
}

} // namespace orvane::cli
