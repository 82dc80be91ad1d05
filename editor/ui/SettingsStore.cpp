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
    settings.CommPortNumber = static_cast<int16_t>(store->value("CommPort", "1").toString().trimmed().toInt());
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
