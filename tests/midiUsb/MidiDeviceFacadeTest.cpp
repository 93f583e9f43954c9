#include "midiUsb/MidiDeviceFacade.h"
#include "DeviceLinkTestSupport.h"
#include "TaveloPlayResponder.h"
#include "common/Dictionary.h"
#include "midiUsb/SysExRequests.h"
#include "support/LogCapture.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using devicelinktest::text;
using testsupport::pumpUntil;

namespace
{
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

    void makeFacade() { facade = std::make_unique<midiUsb::MidiDeviceFacade>(values, bus); }

    testsupport::LogCapture log;
    std::shared_ptr<simulator::VirtualMidiBus> bus = std::make_shared<simulator::VirtualMidiBus>();
    SharedValueTable values;
    std::unique_ptr<midiUsb::MidiDeviceFacade> facade;
};

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
}

class MessageRecorder final : public midiUsb::IncomingMidiMessageListener
{
public:
    void incomingMidiMessageReceived(const juce::MidiMessage& message) override
    {
        received.push_back(message);
        elsewhere += !juce::MessageManager::getInstance()->isThisTheMessageThread();
    }

    std::vector<juce::MidiMessage> received;
    int elsewhere = 0;
};

// Constructed on an empty bus it selects nothing, once; the instrument's
// output shows up after its input, on its own; whatever arrives then reaches
// the listeners on the message thread, a note as well as the answers.
TEST_F(MidiDeviceFacadeTest, anOutputThatAppearsAfterItsInputIsStillUsed)
{
    makeFacade();
    std::vector<std::string> infoLines;
    for (const auto& line : log.lines())
        if (line.level == spdlog::level::info)
            infoLines.push_back(line.text);
    EXPECT_EQ(infoLines,
              (std::vector<std::string>{"Refreshing MIDI devices list", "New Midi device selected: "}));
    MessageRecorder recorder;
    facade->addChangeListener(&recorder);

    const auto data = simulator::InstrumentData::makeTypical();
    const auto input = bus->addInput("Tavelo play");
    ASSERT_TRUE(pumpUntil([&] { return log.count("Opening midi device input: Tavelo play") == 1; }, 5s));
    testsupport::pumpMessages(1500ms);
    EXPECT_TRUE(devicelinktest::infoRequestsSent(*bus).empty());
    EXPECT_EQ(text(values, Dictionary::currentTaveloVersionKey), "No version found");

    auto* busPointer = bus.get();
    bus->addOutput("Tavelo play",
                   [busPointer, input, data](const juce::MidiMessage& request)
                   {
                       if (const auto answer = simulator::TaveloPlayResponder::answer(
                               simulator::SysExAnswerBuilder::toBytes(request), data))
                           busPointer->sendFromPeer(input, simulator::SysExAnswerBuilder::toMessage(*answer));
                   });
    ASSERT_TRUE(
        pumpUntil([&] { return text(values, Dictionary::casingSerialNumber) == data.serialNumber; }, 10s));
    EXPECT_EQ(text(values, Dictionary::selectedMidiDeviceKey), "Tavelo play");
    EXPECT_EQ(text(values, Dictionary::currentTaveloVersionKey), data.firmwareVersion);

    bus->sendFromPeer(input, juce::MidiMessage::noteOn(1, 60, 0.5f));
    ASSERT_TRUE(
        pumpUntil([&] { return !recorder.received.empty() && recorder.received.back().isNoteOn(); }, 5s));
    EXPECT_EQ(recorder.received.size(), 4u);
    EXPECT_EQ(recorder.elsewhere, 0);
    facade->removeChangeListener(&recorder);
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

    // The first device's input goes, its output stays: the second device is
    // selected and its output does not open.
    bus->removeInput(firstInput);
    ASSERT_TRUE(pumpUntil(
        [&] { return log.contains("Could not open midi device output: " + secondOutput.toStdString()); },
        5s));
    EXPECT_TRUE(facade->getMidiOutput().expired());
    EXPECT_EQ(bus->countOpenPorts(firstOutput), 0);

    bus->clearSent();
    bool heardOfIt = false;
    facade->getSysExMidiHandler().addMessageToQueue(
        midiUsb::SysExRequests::infoRequest(midiUsb::InfoRequestType::firmwareVersion),
        [&heardOfIt] { heardOfIt = true; }, [](const juce::String&) {});
    ASSERT_TRUE(pumpUntil([&] { return heardOfIt; }, 2s));
    EXPECT_TRUE(bus->getSent().empty());
}

} // namespace
