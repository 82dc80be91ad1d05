#include "ui/SettingsStore.h"

namespace brevant {

std::unique_ptr<QSettings> openSettingsStore()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Orvane"), QStringLiteral("OrvaneEdit"));
}

orvane::link::CommSettings LoadCommSettings()
{
    auto store = openSettingsStore();
    store->beginGroup(kCommSection);
    orvane::link::CommSettings settings;
    // A damaged number falls back to the first port instead of naming a port that cannot exist.
    bool isNumber = false;
    const int port = store->value("CommPort", "1").toString().trimmed().toInt(&isNumber);
    settings.CommPortNumber = static_cast<int16_t>(isNumber && port >= 1 && port <= 255 ? port : 1);
    settings.CommBaudRate = store->value("BaudRate", "38400").toString().toStdString();
    settings.CommParity = store->value("Parity", "O").toString().toStdString();
    settings.CommPortName = store->value("PortName", "").toString().toStdString();
    return settings;
}

void SaveCommSettings(const orvane::link::CommSettings& settings)
{
    auto store = openSettingsStore();
    store->beginGroup(kCommSection);
    store->setValue("BaudRate", QString::fromStdString(settings.CommBaudRate));
    store->setValue("CommPort", QString::number(settings.CommPortNumber));
    store->setValue("Parity", QString::fromStdString(settings.CommParity));
    store->setValue("PortName", QString::fromStdString(settings.CommPortName));
}

} // namespace brevant
