#include "midiUsb/MidiDeviceFacade.h"
#include "DeviceLinkTestSupport.h"
#include "SimulatedInstrument.h"
#include "TaveloPlayResponder.h"
#include "common/Dictionary.h"
#include "midiUsb/SysExRequests.h"
#include "support/LogCapture.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using devicelinktest::text;
using testsupport::pumpMessages;
using testsupport::pumpUntil;

namespace
{
const std::string deviceDisconnected =
    "Device disconnected: stopped ongoing firmware version number requests.";

std::vector<std::string> infoLines(const testsupport::LogCapture& log)
{
    std::vector<std::string> lines;
    for (const auto& line : log.lines())
        if (line.level == spdlog::level::info)
            lines.push_back(line.text);
    return lines;
}

juce::StringArray midiDevices(const SharedValueTable& values)
{
    juce::StringArray names;
    if (const auto* array = values.at(Dictionary::midiDevicesKey).getValue().getArray())
        for (const auto& name : *array)
            names.add(name.toString());
    return names;
}

class MidiDeviceFacadeTest : public ::testing::Test
{
protected:
    MidiDeviceFacadeTest() { devicelinktest::fillDeviceValues(values); }

    void makeFacade(std::shared_ptr<midiUsb::MidiSystem> system = {})
    {
        facade = std::make_unique<midiUsb::MidiDeviceFacade>(values, system ? system : bus);
    }

    bool waitForSerialNumber(const juce::String& serialNumber)
    {
        return pumpUntil([&] { return text(values, Dictionary::casingSerialNumber) == serialNumber; }, 10s);
    }

    void expectPlaceholders()
    {
        EXPECT_EQ(text(values, Dictionary::currentTaveloVersionKey), "No version found");
        EXPECT_EQ(text(values, Dictionary::currentPirelMatrixVersionKey), "No version found");
        EXPECT_EQ(text(values, Dictionary::casingSerialNumber), "None");
    }

    testsupport::LogCapture log;
    std::shared_ptr<simulator::VirtualMidiBus> bus = std::make_shared<simulator::VirtualMidiBus>();
    SharedValueTable values;
    std::unique_ptr<midiUsb::MidiDeviceFacade> facade;
};

TEST_F(MidiDeviceFacadeTest, constructionSelectsNothingOnceAndLaterPollsOfTheSameListStaySilent)
{
    makeFacade();

    EXPECT_EQ(infoLines(log),
              (std::vector<std::string>{"Refreshing MIDI devices list", "New Midi device selected: "}));
    EXPECT_EQ(text(values, Dictionary::selectedMidiDeviceKey), "");
    EXPECT_TRUE(values.at(Dictionary::midiDevicesKey).getValue().isArray());
    EXPECT_TRUE(midiDevices(values).isEmpty());

    // The requester started by the construction finds no output and stops.
    pumpMessages(2500ms);
    EXPECT_EQ(infoLines(log), (std::vector<std::string>{"Refreshing MIDI devices list",
                                                        "New Midi device selected: ", deviceDisconnected}));
    EXPECT_TRUE(devicelinktest::infoRequestsSent(*bus).empty());
}

TEST_F(MidiDeviceFacadeTest, keepsOnlyTheInstrumentsPortsByWholeNameWithLetterCase)
{
    for (const auto* name :
         {"Other synth", "tavelo play", "Tavelo 1", "Tavelo X 2", "Tavelo  1", "Tavelo play", "Tavelo ormel",
          "Tavelo Two 1", "Tavelo play 2", "My Tavelo play"})
    {
        bus->addInput(name);
        bus->addOutput(name, {});
    }
    makeFacade();

    ASSERT_TRUE(pumpUntil([&] { return !midiDevices(values).isEmpty(); }, 5s));
    EXPECT_EQ(midiDevices(values), juce::StringArray({"Tavelo  1", "Tavelo play", "Tavelo Two 1"}));
    EXPECT_EQ(text(values, Dictionary::selectedMidiDeviceKey), "Tavelo  1");
    EXPECT_TRUE(log.contains("Name: Other synth, Identifier: "));
    EXPECT_EQ(log.count("No MIDI device found."), 0);
}

TEST_F(MidiDeviceFacadeTest, pluggingAndUnplugging)
{
    makeFacade();
    simulator::SimulatedInstrument first(*bus);
    const auto firstData = first.getData();
    first.connect();

    ASSERT_TRUE(waitForSerialNumber(firstData.serialNumber));
    EXPECT_EQ(text(values, Dictionary::selectedMidiDeviceKey), "Tavelo play");
    EXPECT_EQ(text(values, Dictionary::currentTaveloVersionKey), firstData.firmwareVersion);
    EXPECT_EQ(text(values, Dictionary::currentPirelMatrixVersionKey), firstData.ormelVersion);
    EXPECT_EQ(log.count("Opening midi device input: Tavelo play"), 1);
    EXPECT_TRUE(log.contains("Opening midi device output: virtual-out-"));
    EXPECT_TRUE(log.contains("Connected midi devices:\n"));

    // It goes: everything back to the placeholders.
    log.clear();
    first.disconnect();
    ASSERT_TRUE(pumpUntil([&] { return log.count(deviceDisconnected) == 1; }, 5s));
    EXPECT_EQ(text(values, Dictionary::selectedMidiDeviceKey), "");
    expectPlaceholders();
    EXPECT_EQ(log.count("New Midi device selected: "), 1);
    EXPECT_EQ(log.count("Reset MIDI Input Tavelo play"), 1);
    EXPECT_EQ(log.count("Reset MIDI Output Tavelo play"), 1);
    EXPECT_TRUE(log.contains("No MIDI device found."));
    EXPECT_TRUE(facade->getMidiOutput().expired());
}

TEST_F(MidiDeviceFacadeTest, anOutputThatAppearsAfterItsInputIsStillUsed)
{
    makeFacade();
    const auto data = simulator::InstrumentData::makeTypical();
    const auto input = bus->addInput("Tavelo play");
    ASSERT_TRUE(pumpUntil([&] { return log.count("Opening midi device input: Tavelo play") == 1; }, 5s));
    pumpMessages(1500ms);
    EXPECT_TRUE(devicelinktest::infoRequestsSent(*bus).empty());
    expectPlaceholders();

    // The instrument's output shows up on its own, the inputs unchanged.
    auto* busPointer = bus.get();
    bus->addOutput("Tavelo play",
                   [busPointer, input, data](const juce::MidiMessage& request)
                   {
                       if (const auto answer = simulator::TaveloPlayResponder::answer(
                               simulator::SysExAnswerBuilder::toBytes(request), data))
                           busPointer->sendFromPeer(input, simulator::SysExAnswerBuilder::toMessage(*answer));
                   });

    ASSERT_TRUE(waitForSerialNumber(data.serialNumber));
    EXPECT_EQ(text(values, Dictionary::selectedMidiDeviceKey), "Tavelo play");
    EXPECT_EQ(text(values, Dictionary::currentTaveloVersionKey), data.firmwareVersion);
}

TEST_F(MidiDeviceFacadeTest, anOutputThatFailsToOpenLeavesTheQueueNoSenderToTheReleasedOne)
{
    const auto firstInput = bus->addInput("Tavelo play");
    const auto firstOutput = bus->addOutput("Tavelo play", {});
    bus->addInput("Tavelo B 1");
    const auto secondOutput = bus->addOutput("Tavelo B 1", {});
    bus->setOpenFailure(secondOutput, true);
    makeFacade();
    ASSERT_TRUE(pumpUntil([&] { return bus->countOpenPorts(firstOutput) == 1; }, 5s));
    EXPECT_FALSE(facade->getMidiOutput().expired());

    // The first device's input goes, its output stays: the second device is
    // selected and its output does not open.
    bus->removeInput(firstInput);
    ASSERT_TRUE(pumpUntil(
        [&] { return log.contains("Could not open midi device output: " + secondOutput.toStdString()); },
        5s));
    EXPECT_TRUE(facade->getMidiOutput().expired());
    EXPECT_EQ(bus->countOpenPorts(firstOutput), 0);

    bus->clearTraffic();
    bool heardOfIt = false;
    facade->getSysExMidiHandler().addMessageToQueue(
        midiUsb::SysExRequests::infoRequest(midiUsb::InfoRequestType::firmwareVersion),
        [&heardOfIt] { heardOfIt = true; }, [](const juce::String&) {});
    ASSERT_TRUE(pumpUntil([&] { return heardOfIt; }, 2s));
    EXPECT_TRUE(bus->getTraffic().empty());
    EXPECT_TRUE(log.contains("No midi output available. The following message could not be sent: "));
}

class MessageRecorder final : public midiUsb::IncomingMidiMessageListener
{
public:
    void incomingMidiMessageReceived(const juce::MidiMessage& message) override
    {
        if (juce::MessageManager::getInstance()->isThisTheMessageThread())
            received.push_back(message);
        else
            ++elsewhere;
    }

    std::vector<juce::MidiMessage> received;
    int elsewhere = 0;
};

TEST_F(MidiDeviceFacadeTest, everyMessageIsParsedAndHandedOnOnTheMessageThread)
{
    makeFacade();
    MessageRecorder recorder;
    facade->addChangeListener(&recorder);

    simulator::SimulatedInstrument instrument(*bus);
    instrument.connect();
    ASSERT_TRUE(waitForSerialNumber(instrument.getData().serialNumber));

    // Whatever arrives reaches the listeners, a note as well as the answers.
    bus->sendFromPeer(bus->getInputs().at(0).identifier, juce::MidiMessage::noteOn(1, 60, 0.5f));
    ASSERT_TRUE(
        pumpUntil([&] { return !recorder.received.empty() && recorder.received.back().isNoteOn(); }, 5s));
    EXPECT_EQ(recorder.received.size(), 4u);
    EXPECT_EQ(recorder.elsewhere, 0);
    EXPECT_TRUE(log.contains("Midi message received: "));
    facade->removeChangeListener(&recorder);
}

// Unplugged and plugged back within one poll (a restart), or replaced by
// another instrument of the same name: new identifiers, dead ports; the
// facade lets go of them and asks the device now there.
TEST_F(MidiDeviceFacadeTest, followsTheSelectedDeviceByItsIdentifier)
{
    makeFacade();
    simulator::SimulatedInstrument instrument(*bus);
    instrument.connect();
    ASSERT_TRUE(waitForSerialNumber(instrument.getData().serialNumber));

    instrument.disconnect();
    instrument.setFirmwareVersion("2.4.0");
    instrument.connect();
    ASSERT_TRUE(pumpUntil([&] { return text(values, Dictionary::currentTaveloVersionKey) == "2.4.0"; }, 10s));
    EXPECT_EQ(log.count("Reset MIDI Input Tavelo play"), 1);

    auto otherData = simulator::InstrumentData::makeTypical();
    otherData.serialNumber = "TVP-0099-0001";
    simulator::SimulatedInstrument other(*bus, otherData);
    other.connect();
    ASSERT_TRUE(pumpUntil([&] { return midiDevices(values).size() == 2; }, 5s));
    instrument.disconnect();
    ASSERT_TRUE(waitForSerialNumber(otherData.serialNumber));
    EXPECT_EQ(text(values, Dictionary::selectedMidiDeviceKey), "Tavelo play");
    EXPECT_EQ(midiDevices(values), juce::StringArray({"Tavelo play"}));
}

TEST(MidiDeviceList, tellsOfEveryChangeOrderAndLetterCaseIncludedAndOfNothingElse)
{
    testsupport::LogCapture log;
    std::vector<juce::MidiDeviceInfo> current;
    midiUsb::MidiDeviceList list([&current] { return current; });
    struct Counter final : midiUsb::MidiDeviceListListener
    {
        void deviceListChanged(const std::vector<juce::MidiDeviceInfo>&) override { ++told; }
        int told = 0;
    } counter;
    list.addChangeListener(&counter);

    const std::pair<std::vector<juce::MidiDeviceInfo>, int> rows[] = {
        {{{"A", "1"}, {"B", "2"}}, 1},
        {{{"A", "1"}, {"B", "2"}}, 0},
        {{{"B", "2"}, {"A", "1"}}, 1},  // order
        {{{"B", "2"}, {"a", "1"}}, 1},  // a name's letter case
        {{{"B", "2"}, {"a", "01"}}, 1}, // an identifier
        {{}, 1},
    };
    for (const auto& [devices, changes] : rows)
    {
        const auto before = counter.told;
        current = devices;
        list.timerCallback();
        EXPECT_EQ(counter.told - before, changes);
    }
    EXPECT_EQ(log.count("Connected midi devices:\n"), 5);
    EXPECT_EQ(log.count("Name: A, Identifier: 1\n"), 2);
    EXPECT_EQ(log.count("No MIDI device found."), 1);
    list.removeChangeListener(&counter);
}
} // namespace
