#include "SimulatedInstrument.h"
#include "common/Dictionary.h"
#include "core/Core.h"
#include "support/LogCapture.h"
#include "support/MessageLoop.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace std::chrono_literals;
using testsupport::pumpUntil;

namespace
{

juce::String text(Core& core, std::string_view key)
{
    return core.values[key].toString();
}

bool updatePossible(Core& core)
{
    return static_cast<bool>(core.values[Dictionary::canLaunchUpdate].getValue());
}

TEST(CoreWithTheInstrument, theDeviceValuesFillAndResetAsTheInstrumentComesAndGoes)
{
    const testsupport::TemporaryHome home;
    const testsupport::LogCapture log;
    auto bus = std::make_shared<simulator::VirtualMidiBus>();

    PlatformServices services;
    services.listSerialPorts = [] { return std::vector<serial::PortInfo>(); };
    services.midiSystem = bus;
    Core core(std::move(services));
    simulator::SimulatedInstrument instrument(*bus);
    const auto data = instrument.getData();

    testsupport::pumpMessages(300ms);
    EXPECT_FALSE(updatePossible(core));

    instrument.connect();
    ASSERT_TRUE(
        pumpUntil([&] { return text(core, Dictionary::casingSerialNumber) == data.serialNumber; }, 10s));
    EXPECT_EQ(text(core, Dictionary::currentTaveloVersionKey), data.firmwareVersion);
    EXPECT_EQ(text(core, Dictionary::currentPirelMatrixVersionKey), data.ormelVersion);
    EXPECT_EQ(text(core, Dictionary::selectedMidiDeviceKey), "Tavelo play");
    ASSERT_TRUE(pumpUntil([&] { return updatePossible(core); }, 2s));
    EXPECT_TRUE(core.isUpdatePossible());

    instrument.disconnect();
    ASSERT_TRUE(pumpUntil([&] { return !updatePossible(core); }, 5s));
    EXPECT_EQ(text(core, Dictionary::currentTaveloVersionKey), "No version found");
    EXPECT_EQ(text(core, Dictionary::currentPirelMatrixVersionKey), "No version found");
    EXPECT_EQ(text(core, Dictionary::casingSerialNumber), "None");
    EXPECT_EQ(text(core, Dictionary::selectedMidiDeviceKey), "");
    EXPECT_FALSE(core.isUpdatePossible());

    // Back again, as after a restart.
    instrument.connect();
    ASSERT_TRUE(pumpUntil([&] { return updatePossible(core); }, 10s));
}

TEST(CoreWithTheInstrument, anInstrumentPresentAtStartIsSelectedOnTheFirstPoll)
{
    const testsupport::TemporaryHome home;
    auto bus = std::make_shared<simulator::VirtualMidiBus>();
    simulator::SimulatedInstrument instrument(*bus);
    instrument.connect();

    PlatformServices services;
    services.listSerialPorts = [] { return std::vector<serial::PortInfo>(); };
    services.midiSystem = bus;
    Core core(std::move(services));

    EXPECT_EQ(text(core, Dictionary::selectedMidiDeviceKey), "");
    ASSERT_TRUE(pumpUntil([&] { return updatePossible(core); }, 10s));
    EXPECT_EQ(text(core, Dictionary::selectedMidiDeviceKey), "Tavelo play");
    EXPECT_EQ(text(core, Dictionary::currentTaveloVersionKey), instrument.getData().firmwareVersion);
}
} // namespace
