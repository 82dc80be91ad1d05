#include "HistorySetting.h"

#include "ui/SettingsStore.h"

namespace brevant::linkwin {

namespace {
const QString kKey = QStringLiteral("Transfer History/SharedFolder");
}

QString sharedHistoryFolder() { return openSettingsStore()->value(kKey).toString(); }

void setSharedHistoryFolder(const QString& folder)
{
    const auto settings = openSettingsStore();
    if (folder.isEmpty())
        settings->remove(kKey);
    else
        settings->setValue(kKey, folder);
}

} // namespace brevant::linkwin
