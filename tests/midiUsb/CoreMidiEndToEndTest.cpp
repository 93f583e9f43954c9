#include "SimulatedInstrument.h"
#include "common/Dictionary.h"
#include "core/Core.h"
#include "support/LogCapture.h"
#include "support/MessageLoop.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using testsupport::pumpUntil;

namespace
{
// The facade inside the Core: the device values fill, reset and follow the
// instrument as it comes, goes, restarts and is replaced, and reach the
// update checker.
TEST(CoreWithTheInstrument, theDeviceValuesFollowTheInstrument)
{
    const testsupport::TemporaryHome home;
    const testsupport::LogCapture log;
    auto bus = std::make_shared<simulator::VirtualMidiBus>();
    simulator::SimulatedInstrument instrument(*bus);
    const auto data = instrument.getData();
    instrument.connect();

    PlatformServices services;
    services.listSerialPorts = [] { return std::vector<serial::PortInfo>(); };
    services.midiSystem = bus;
    Core core(std::move(services));
    const auto text = [&core](std::string_view key) { return core.values[key].toString(); };
    const auto updatePossible = [&core]
    { return static_cast<bool>(core.values[Dictionary::canLaunchUpdate].getValue()); };
    EXPECT_EQ(text(Dictionary::selectedMidiDeviceKey), "") << "selected on the first poll, not before";

    ASSERT_TRUE(pumpUntil([&] { return text(Dictionary::casingSerialNumber) == data.serialNumber; }, 10s));
    EXPECT_TRUE(updatePossible());
    EXPECT_TRUE(core.isUpdatePossible());
    EXPECT_EQ(text(Dictionary::selectedMidiDeviceKey), "Tavelo play");
    EXPECT_EQ(text(Dictionary::currentTaveloVersionKey), data.firmwareVersion);
    EXPECT_EQ(text(Dictionary::currentPirelMatrixVersionKey), data.ormelVersion);
    EXPECT_EQ(log.count("Opening midi device input: Tavelo play"), 1);
    EXPECT_TRUE(log.contains("Opening midi device output: virtual-out-"));

    instrument.disconnect();
    ASSERT_TRUE(pumpUntil([&] { return !updatePossible(); }, 5s));
    ASSERT_TRUE(pumpUntil(
        [&]
        { return log.contains("Device disconnected: stopped ongoing firmware version number requests."); },
        5s));
    EXPECT_FALSE(core.isUpdatePossible());
    EXPECT_EQ(text(Dictionary::selectedMidiDeviceKey), "");
    EXPECT_EQ(text(Dictionary::currentTaveloVersionKey), "No version found");
    EXPECT_EQ(text(Dictionary::currentPirelMatrixVersionKey), "No version found");
    EXPECT_EQ(text(Dictionary::casingSerialNumber), "None");
    EXPECT_EQ(log.count("Reset MIDI Input Tavelo play"), 1);
    EXPECT_EQ(log.count("Reset MIDI Output Tavelo play"), 1);
    EXPECT_TRUE(log.contains("No MIDI device found."));

    // Back, then restarted within one poll: new identifiers, dead ports.
    instrument.connect();
    ASSERT_TRUE(pumpUntil([&] { return text(Dictionary::casingSerialNumber) == data.serialNumber; }, 10s));
    instrument.disconnect();
    instrument.setFirmwareVersion("2.4.0");
    instrument.connect();
    ASSERT_TRUE(pumpUntil([&] { return text(Dictionary::currentTaveloVersionKey) == "2.4.0"; }, 10s));
    EXPECT_EQ(log.count("Reset MIDI Input Tavelo play"), 2);

    // Replaced by another instrument of the same name.
    auto otherData = simulator::InstrumentData::makeTypical();
    otherData.serialNumber = "TVP-0099-0001";
    simulator::SimulatedInstrument other(*bus, otherData);
    other.connect();
    ASSERT_TRUE(pumpUntil(
        [&]
        {
            const auto* devices = core.values[Dictionary::midiDevicesKey].getValue().getArray();
            return devices != nullptr && devices->size() == 2;
        },
        5s));
    instrument.disconnect();
    ASSERT_TRUE(
        pumpUntil([&] { return text(Dictionary::casingSerialNumber) == otherData.serialNumber; }, 10s));
    EXPECT_EQ(text(Dictionary::selectedMidiDeviceKey), "Tavelo play");
}
} // namespace
