// The serial settings as kept in the per-user settings store.
#include "CommTestSupport.h"

#include "ui/SettingsStore.h"

#include <gtest/gtest.h>

namespace {

class CommSettingsStore : public ::testing::Test {
protected:
    void SetUp() override { commtest::clearSettings(); }
};

} // namespace

TEST_F(CommSettingsStore, NothingStored_Port1At38400Odd)
{
    const auto settings = brevant::LoadCommSettings();
    EXPECT_EQ(settings.CommPortNumber, 1);
    EXPECT_EQ(settings.CommBaudRate, "38400");
    EXPECT_EQ(settings.CommParity, "O");
    EXPECT_EQ(settings.CommPortName, "");
}

TEST_F(CommSettingsStore, CommPortStoredAsText_ReadBackAsItsNumber)
{
    brevant::openSettingsStore()->setValue(brevant::kCommSection + "/CommPort", " 3 ");
    EXPECT_EQ(brevant::LoadCommSettings().CommPortNumber, 3);
}

TEST_F(CommSettingsStore, SavedNamedPort_ReadBackWithNumberRateAndParity)
{
    orvane::link::CommSettings settings;
    settings.CommPortNumber = 5;
    settings.CommBaudRate = "1200";
    settings.CommParity = "N";
    settings.CommPortName = "plc-gw:4001";
    brevant::SaveCommSettings(settings);
    auto store = brevant::openSettingsStore();
    store->beginGroup(brevant::kCommSection);
    EXPECT_EQ(store->value("CommPort").toString(), "5");
    EXPECT_EQ(store->value("BaudRate").toString(), "1200");
    EXPECT_EQ(store->value("Parity").toString(), "N");
    EXPECT_EQ(store->value("PortName").toString(), "plc-gw:4001");
    const auto loaded = brevant::LoadCommSettings();
    EXPECT_EQ(loaded.CommPortNumber, 5);
    EXPECT_EQ(loaded.CommPortName, "plc-gw:4001");
}

TEST_F(CommSettingsStore, DamagedPortNumber_FallsBackToPort1)
{
    for (const char* stored : {"COM3", "", "0", "-2"}) {
        brevant::openSettingsStore()->setValue(brevant::kCommSection + "/CommPort", stored);
        EXPECT_EQ(brevant::LoadCommSettings().CommPortNumber, 1) << stored;
    }
}
