// How the window's choices become settings, and how a chosen port name is read.
#include "linkwin/comm/CommChoices.h"
#include "orvane/link/PortList.h"

#include <gtest/gtest.h>

using namespace brevant::linkwin;
using namespace orvane::link;

TEST(BaudChoice, EntryStoredWithoutItsBlank_UnlistedStoredRateAddedOnce)
{
    EXPECT_EQ(baudOfEntry(" 9600"), "9600");
    EXPECT_EQ(baudEntries("19200").size(), 6u);
    const auto entries = baudEntries("57600");
    ASSERT_EQ(entries.size(), 7u);
    EXPECT_EQ(entries.back(), "57600");
    EXPECT_EQ(baudEntries("").size(), 6u);
}

TEST(ParityChoice, WordsToLettersAndBack_OtherLettersShowAsNone)
{
    EXPECT_EQ(parityOfEntry("ODD"), "O");
    EXPECT_EQ(parityOfEntry("EVEN"), "E");
    EXPECT_EQ(parityOfEntry("NONE"), "N");
    EXPECT_EQ(parityEntryIndex("O"), 0);
    EXPECT_EQ(parityEntryIndex("E"), 1);
    EXPECT_EQ(parityEntryIndex("N"), 2);
    EXPECT_EQ(parityEntryIndex("M"), 2);
    EXPECT_EQ(parityEntryIndex(""), 2);
}

TEST(PortChoice, NumberedDevicesKeepTheirNumber_OtherNamesKeepTheNumberStored)
{
    CommSettings settings;
    settings.CommPortNumber = 7;
    settings.CommPortName = "/dev/ttyUSB0";
    const auto numbered = withPort(settings, "/dev/ttyS11");
    EXPECT_EQ(numbered.CommPortNumber, 12);
    EXPECT_EQ(numbered.CommPortName, "");
    const auto named = withPort(settings, " 10.0.0.5:4001 ");
    EXPECT_EQ(named.CommPortNumber, 7);
    EXPECT_EQ(named.CommPortName, "10.0.0.5:4001");
    EXPECT_EQ(withPort(settings, "SIMULATOR").CommPortName, "Simulator");
}

TEST(PortChoice, ShownNameIsTheStoredNameOrTheNumberedDevice)
{
    CommSettings settings;
    settings.CommPortNumber = 3;
    EXPECT_EQ(portNameOf(settings), "/dev/ttyS2");
    settings.CommPortName = "/dev/pts/4";
    EXPECT_EQ(portNameOf(settings), "/dev/pts/4");
}

TEST(PortNumber, OnlyTtySDevicesAreNumbered)
{
    EXPECT_EQ(portNumberOfDevice("/dev/ttyS0"), 1);
    EXPECT_EQ(portNumberOfDevice("/dev/ttyS31"), 32);
    EXPECT_EQ(portNumberOfDevice("/dev/ttyS"), 0);
    EXPECT_EQ(portNumberOfDevice("/dev/ttyS1x"), 0);
    EXPECT_EQ(portNumberOfDevice("/dev/ttyUSB0"), 0);
    EXPECT_EQ(portNumberOfDevice("ttyS0"), 0);
}

TEST(PortListEntry, MarkAddedAndRemoved_NamesThemselvesUntouched)
{
    using orvane::link::PortState;
    EXPECT_EQ(portListEntry("/dev/ttyUSB0", PortState::Available), "/dev/ttyUSB0   (Available)");
    EXPECT_EQ(portListEntry("/dev/ttyS1", PortState::Busy), "/dev/ttyS1   (In Use)");
    EXPECT_EQ(portListEntry("/dev/ttyS2", PortState::NotPermitted), "/dev/ttyS2   (Not Permitted)");
    EXPECT_EQ(portListEntry("/dev/ttyS3", PortState::Unusable), "/dev/ttyS3   (Not Available)");
    for (const char* entry : {"/dev/ttyS1   (In Use)", "/dev/ttyS1   (Not Permitted)", "/dev/ttyS1   (Not Available)"})
        EXPECT_EQ(portNameOfEntry(entry), "/dev/ttyS1");
    EXPECT_EQ(portNameOfEntry("/dev/ttyUSB0   (Available)"), "/dev/ttyUSB0");
    EXPECT_EQ(portNameOfEntry("Simulator"), "Simulator");
}

TEST(SystemPorts, NaturalOrderWithoutDuplicates)
{
    const auto names = systemPortNames();
    for (std::size_t i = 1; i < names.size(); ++i)
        EXPECT_NE(names[i - 1], names[i]);
    // ttyS2 must come before ttyS10 where both exist.
    const auto at = [&](const std::string& name) { return std::find(names.begin(), names.end(), name); };
    if (at("/dev/ttyS2") != names.end() && at("/dev/ttyS10") != names.end()) {
        EXPECT_LT(at("/dev/ttyS2"), at("/dev/ttyS10"));
    }
}

TEST(PortNameCheck, DevicePathsAndServersAccepted)
{
    EXPECT_EQ(portNameError("/dev/ttyUSB0"), std::nullopt);
    EXPECT_EQ(portNameError("/dev/pts/7"), std::nullopt);
    EXPECT_EQ(portNameError("plc-gw:1"), std::nullopt);
    EXPECT_EQ(portNameError("Simulator"), std::nullopt);
    EXPECT_NE(portNameError(""), std::nullopt);
    EXPECT_NE(portNameError("plc-gw:00000"), std::nullopt);
    EXPECT_NE(portNameError("plc-gw:123456"), std::nullopt);
    EXPECT_NE(portNameError("plc-gw:-1"), std::nullopt);
}

TEST(ResolvePortName, SimulatorAskedOnlyForTheSimulatorName)
{
    int asked = 0;
    const auto simulator = [&]() -> std::optional<std::string> {
        ++asked;
        return std::string("/dev/pts/9");
    };
    EXPECT_EQ(resolvePortName(" /dev/ttyUSB0 ", simulator), "/dev/ttyUSB0");
    EXPECT_EQ(resolvePortName("10.0.0.5:4001", simulator), "10.0.0.5:4001");
    EXPECT_EQ(resolvePortName("", simulator), "");
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(resolvePortName("simulator", simulator), "/dev/pts/9");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(resolvePortName("Simulator", [] { return std::optional<std::string>(); }), std::nullopt);
}
