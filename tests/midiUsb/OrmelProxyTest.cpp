#include "DeviceLinkTestSupport.h"
#include "SimulatedInstrument.h"
#include "SimulatedSoundEngine.h"
#include "midiUsb/OrmelProxyImpl.h"
#include "support/LogCapture.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;
using testsupport::pumpUntil;

namespace
{
const std::string droppedWarning = "Incoming midi message ignored: message callback hasn't been set yet";

using devicelinktest::buildProxyOnWorker;

class OrmelProxyTest : public ::testing::Test
{
protected:
    testsupport::LogCapture log;
    std::shared_ptr<simulator::VirtualMidiBus> bus = std::make_shared<simulator::VirtualMidiBus>();
};

TEST_F(OrmelProxyTest, findsAndOpensTheSoundEnginesPortsFromAWorkerThread)
{
    simulator::SimulatedInstrument instrument(*bus);
    instrument.connect();
    simulator::SimulatedSoundEngine engine(*bus);
    engine.setEcho(true);
    engine.connect();

    auto proxy = buildProxyOnWorker(bus);
    ASSERT_TRUE(proxy->getStatus().wasOk()) << proxy->getStatus().getErrorMessage();

    std::mutex mutex;
    std::vector<juce::MidiMessage> received;
    std::atomic<int> onMessageThread{0};
    proxy->addMessageReceivedCallback(
        [&](const juce::MidiMessage& message)
        {
            if (juce::MessageManager::getInstance()->isThisTheMessageThread())
                ++onMessageThread;
            const std::lock_guard lock(mutex);
            received.push_back(message);
        });

    const auto programChange = juce::MidiMessage::programChange(1, 5);
    const auto sysEx =
        juce::MidiMessage::createSysExMessage(std::vector<std::uint8_t>{0x01, 0x02, 0x03}.data(), 3);
    proxy->sendMidiMessage(programChange);
    proxy->sendMidiMessage(sysEx);
    ASSERT_TRUE(engine.waitUntilIdle(2s));
    ASSERT_TRUE(bus->waitUntilDelivered(2s));

    const auto sentToEngine = engine.getReceived();
    ASSERT_EQ(sentToEngine.size(), 2u);
    EXPECT_TRUE(sentToEngine[0].isProgramChange());
    EXPECT_TRUE(sentToEngine[1].isSysEx());
    // Nothing went to the instrument's own ports.
    EXPECT_TRUE(instrument.getRequests().empty());

    const std::lock_guard lock(mutex);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].getSysExDataSize(), 3);
    EXPECT_EQ(onMessageThread.load(), 0);
}

TEST_F(OrmelProxyTest, theSecondPatternMatchesAndTheFirstMatchInListOrderIsOpened)
{
    bus->addInput("Tavelo 1");
    bus->addInput("Tavelo ormel 1");
    const auto first = bus->addInput("Tavelo Pro 2");
    const auto second = bus->addInput("Tavelo ormel");
    bus->addOutput("Tavelo Pro 1", {});
    const auto output = bus->addOutput("Tavelo Pro 2", {});

    auto proxy = buildProxyOnWorker(bus);
    ASSERT_TRUE(proxy->getStatus().wasOk());
    EXPECT_EQ(bus->countOpenPorts(first), 1);
    EXPECT_EQ(bus->countOpenPorts(second), 0);
    EXPECT_EQ(bus->countOpenPorts(output), 1);

    proxy.reset();
    EXPECT_EQ(bus->countOpenPorts(first), 0);
    EXPECT_EQ(bus->countOpenPorts(output), 0);
}

TEST_F(OrmelProxyTest, anInputWithoutOutputFailsButStaysOpenUntilTheProxyGoes)
{
    const auto input = bus->addInput("Tavelo ormel");
    bus->addInput("Tavelo play");
    bus->addOutput("Tavelo play", {});

    auto proxy = buildProxyOnWorker(bus);
    EXPECT_EQ(proxy->getStatus().getErrorMessage(), "Could not find a midi output corresponding to Ormel.");
    EXPECT_EQ(log.count(spdlog::level::warn,
                        "Could not find device named Tavelo ormel,Tavelo * 2 in midi outputs:\n"
                        "Available midi outputs: Tavelo play\n"
                        "Available midi inputs: Tavelo ormel, Tavelo play"),
              1);
    EXPECT_EQ(bus->countOpenPorts(input), 1);

    proxy.reset();
    EXPECT_EQ(bus->countOpenPorts(input), 0);
}

TEST_F(OrmelProxyTest, eachFailureEndsTheConstructionWithItsText)
{
    {
        auto proxy = buildProxyOnWorker(bus);
        EXPECT_EQ(proxy->getStatus().getErrorMessage(),
                  "Could not find a midi input corresponding to Ormel.");
        EXPECT_EQ(log.count(spdlog::level::warn,
                            "Could not find device named Tavelo ormel,Tavelo * 2 in midi inputs:\n"
                            "Available midi outputs: \nAvailable midi inputs: "),
                  1);
    }

    const auto input = bus->addInput("Tavelo ormel");
    const auto output = bus->addOutput("Tavelo ormel", {});
    bus->setOpenFailure(input, true);
    {
        auto proxy = buildProxyOnWorker(bus);
        EXPECT_EQ(proxy->getStatus().getErrorMessage(), "Could not open the Ormel DSP MIDI input port.");
        EXPECT_EQ(log.count(spdlog::level::err, "OS error when opening MIDI input Tavelo ormel,Tavelo * 2"),
                  1);
        EXPECT_EQ(bus->countOpenPorts(output), 0);
    }

    bus->setOpenFailure(input, false);
    bus->setOpenFailure(output, true);
    {
        auto proxy = buildProxyOnWorker(bus);
        EXPECT_EQ(proxy->getStatus().getErrorMessage(), "Could not open the Ormel DSP MIDI output port.");
        EXPECT_EQ(log.count(spdlog::level::err, "OS error when opening MIDI output Tavelo ormel,Tavelo * 2"),
                  1);
        // Sending without an output goes nowhere and does no harm.
        proxy->sendMidiMessage(juce::MidiMessage::programChange(1, 1));
    }
}

TEST_F(OrmelProxyTest, messagesBeforeTheCallbackIsSetAreDroppedWithAWarning)
{
    simulator::SimulatedSoundEngine engine(*bus);
    engine.connect();
    auto proxy = buildProxyOnWorker(bus);
    ASSERT_TRUE(proxy->getStatus().wasOk());

    engine.send(juce::MidiMessage::channelPressureChange(1, 65));
    engine.send(juce::MidiMessage::channelPressureChange(1, 66));
    ASSERT_TRUE(bus->waitUntilDelivered(2s));
    EXPECT_EQ(log.count(spdlog::level::warn, droppedWarning), 2);

    std::atomic<int> received{0};
    proxy->addMessageReceivedCallback([&received](const juce::MidiMessage&) { ++received; });
    engine.send(juce::MidiMessage::channelPressureChange(1, 67));
    ASSERT_TRUE(bus->waitUntilDelivered(2s));
    EXPECT_EQ(received.load(), 1);
    EXPECT_EQ(log.count(spdlog::level::warn, droppedWarning), 2);
}
} // namespace
