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

// The Core's wiring: the facade's values reach the update checker.
TEST(CoreWithTheInstrument, theDeviceValuesFillAndResetAsTheInstrumentComesAndGoes)
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
    EXPECT_EQ(text(core, Dictionary::selectedMidiDeviceKey), "") << "selected on the first poll, not before";

    ASSERT_TRUE(pumpUntil([&] { return updatePossible(core); }, 10s));
    EXPECT_TRUE(core.isUpdatePossible());
    EXPECT_EQ(text(core, Dictionary::selectedMidiDeviceKey), "Tavelo play");
    EXPECT_EQ(text(core, Dictionary::currentTaveloVersionKey), data.firmwareVersion);
    ASSERT_TRUE(
        pumpUntil([&] { return text(core, Dictionary::casingSerialNumber) == data.serialNumber; }, 10s));
    EXPECT_EQ(text(core, Dictionary::currentPirelMatrixVersionKey), data.ormelVersion);

    instrument.disconnect();
    ASSERT_TRUE(pumpUntil([&] { return !updatePossible(core); }, 5s));
    EXPECT_FALSE(core.isUpdatePossible());
    EXPECT_EQ(text(core, Dictionary::casingSerialNumber), "None");
    EXPECT_EQ(text(core, Dictionary::selectedMidiDeviceKey), "");

    // Back again, as after a restart.
    instrument.connect();
    ASSERT_TRUE(pumpUntil([&] { return updatePossible(core); }, 10s));
}
} // namespace
