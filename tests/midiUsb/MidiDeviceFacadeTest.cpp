#include "midiUsb/MidiDeviceFacade.h"
#include "DeviceLinkTestSupport.h"
#include "SimulatedInstrument.h"
#include "TaveloPlayResponder.h"
#include "midiUsb/SysExRequests.h"

using namespace std::chrono_literals;
using devicelinktest::text;
using testsupport::pumpUntil;

namespace
{
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

struct MessageRecorder final : midiUsb::IncomingMidiMessageListener
{
    void incomingMidiMessageReceived(const juce::MidiMessage& message) override
    {
        received.push_back(message);
        elsewhere += !juce::MessageManager::getInstance()->isThisTheMessageThread();
    }
    std::vector<juce::MidiMessage> received;
    int elsewhere = 0;
};

// The instrument's output shows up after its input and is still used;
// whatever arrives then reaches the listeners on the message thread.
TEST_F(MidiDeviceFacadeTest, anOutputThatAppearsAfterItsInputIsStillUsed)
{
    makeFacade();
    MessageRecorder recorder;
    facade->addChangeListener(&recorder);

    const auto data = simulator::InstrumentData::makeTypical();
    const auto input = bus->addInput("Tavelo play");
    ASSERT_TRUE(pumpUntil([&] { return log.count("Opening midi device input: Tavelo play") == 1; }, 5s));
    EXPECT_TRUE(devicelinktest::infoRequestsSent(*bus).empty());

    using B = simulator::SysExAnswerBuilder;
    bus->addOutput("Tavelo play",
                   [bus = bus.get(), input, data](const juce::MidiMessage& request)
                   {
                       if (const auto answer =
                               simulator::TaveloPlayResponder::answer(B::toBytes(request), data))
                           bus->sendFromPeer(input, B::toMessage(*answer));
                   });
    ASSERT_TRUE(
        pumpUntil([&] { return text(values, Dictionary::casingSerialNumber) == data.serialNumber; }, 10s));
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

    // The first device's input goes, its output stays; the second's output fails.
    bus->remove(firstInput);
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

// The selected instrument's ports are let go while a request to it waits for
// its answer, which can no longer come.
struct ReleaseCase
{
    const char* name;
    bool twoOfOneName; // a second "Tavelo play", listed after the first
    std::function<void(simulator::SimulatedInstrument& first, simulator::SimulatedInstrument& second)>
        betweenTwoPolls;
    bool requestEnds; // at once, in the pass that sees the change
    const char* versionThen;
};

class ReleaseInFlight : public MidiDeviceFacadeTest, public ::testing::WithParamInterface<ReleaseCase>
{
protected:
    simulator::SimulatedInstrument first{*bus};
    simulator::SimulatedInstrument second{*bus, []
                                          {
                                              auto data = simulator::InstrumentData::makeTypical();
                                              data.firmwareVersion = "3.0.0";
                                              return data;
                                          }()};
};

// Ended as its time-out would, so the next instrument is asked at once, not
// after the 5 s time-out of a request to ports that are gone.
TEST_P(ReleaseInFlight, endsOnlyTheRequestSentToTheReleasedPorts)
{
    const auto& row = GetParam();
    first.misbehaveOnNext(simulator::Misbehaviour::silent);
    first.connect();
    if (row.twoOfOneName)
        second.connect();
    makeFacade();
    ASSERT_TRUE(pumpUntil([&] { return first.getRequests().size() == 1; }, 10s));

    const auto passes = log.count("Refreshing MIDI devices list");
    row.betweenTwoPolls(first, second);
    ASSERT_TRUE(pumpUntil([&] { return log.count("Refreshing MIDI devices list") > passes; }, 10s));
    EXPECT_EQ(log.count("Tavelo firmware version request timed out."), row.requestEnds ? 1 : 0);
    EXPECT_EQ(facade->getSysExMidiHandler().getRequestQueue().getRequestInFlight().has_value(),
              !row.requestEnds);

    if (*row.versionThen != 0)
    {
        EXPECT_TRUE(pumpUntil(
            [&] { return text(values, Dictionary::currentTaveloVersionKey) == row.versionThen; }, 10s));
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, ReleaseInFlight, ::testing::Values(
    ReleaseCase{"replugWithinOnePoll", false,
                [](auto& first, auto&) { first.disconnect(); first.setFirmwareVersion("2.4.0"); first.connect(); },
                true, "2.4.0"},
    ReleaseCase{"selectedOfTwoOfOneNameLeaves", true, [](auto& first, auto&) { first.disconnect(); }, true, "3.0.0"},
    ReleaseCase{"otherOfTwoOfOneNameLeaves", true, [](auto&, auto& second) { second.disconnect(); }, false, ""}),
    [](const auto& test) { return std::string(test.param.name); });
// clang-format on
} // namespace
