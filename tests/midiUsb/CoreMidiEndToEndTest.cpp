#include "Core.h"
#include "Dictionary.h"
#include "SimulatedInstrument.h"
#include "support/LogCapture.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace std::chrono_literals;
using testsupport::pumpUntil;

namespace
{
// Points HOME at an empty folder for the test's lifetime, so the user
// properties never touch the real user's files.
class TemporaryHome
{
public:
    TemporaryHome()
        : folder(juce::File::getSpecialLocation(juce::File::tempDirectory)
                     .getNonexistentChildFile("home", "", false))
    {
        folder.createDirectory();
        if (const char* home = std::getenv("HOME"))
            previous = home;
        setenv("HOME", folder.getFullPathName().toRawUTF8(), 1);
    }
    ~TemporaryHome()
    {
        setenv("HOME", previous.c_str(), 1);
        folder.deleteRecursively();
    }

private:
    const juce::File folder;
    std::string previous;
};

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
    const TemporaryHome home;
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
} // namespace
