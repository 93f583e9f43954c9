#include "DeviceLinkTestSupport.h"
#include "SimulatedInstrument.h"
#include "SimulatedSoundEngine.h"
#include "midiUsb/OrmelProxyImpl.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;
using devicelinktest::buildProxyOnWorker;

namespace
{
const std::string droppedWarning = "Incoming midi message ignored: message callback hasn't been set yet";
const std::string notFound = "Could not find device named Tavelo ormel,Tavelo * 2 in midi ";

class OrmelProxyTest : public ::testing::Test
{
protected:
    testsupport::LogCapture log;
    std::shared_ptr<simulator::VirtualMidiBus> bus = std::make_shared<simulator::VirtualMidiBus>();
};

// Built on a worker thread; what arrives before the callback is set is
// dropped with a warning, later messages reach the callback off the message thread.
TEST_F(OrmelProxyTest, talksToTheSoundEngineOnlyThroughItsOwnPorts)
{
    simulator::SimulatedInstrument instrument(*bus);
    instrument.connect();
    simulator::SimulatedSoundEngine engine(*bus);
    engine.connect();
    auto proxy = buildProxyOnWorker(bus);
    ASSERT_TRUE(proxy->getStatus().wasOk()) << proxy->getStatus().getErrorMessage();

    engine.send(juce::MidiMessage::channelPressureChange(1, 65));
    ASSERT_TRUE(bus->waitUntilDelivered(2s));
    EXPECT_EQ(log.count(spdlog::level::warn, droppedWarning), 1);

    std::mutex mutex;
    std::vector<juce::MidiMessage> received;
    std::atomic<int> onMessageThread{0};
    proxy->addMessageReceivedCallback(
        [&](const juce::MidiMessage& message)
        {
            onMessageThread += juce::MessageManager::getInstance()->isThisTheMessageThread();
            const std::lock_guard lock(mutex);
            received.push_back(message);
        });
    engine.setEcho(true);
    proxy->sendMidiMessage(juce::MidiMessage::programChange(1, 5));
    proxy->sendMidiMessage(
        juce::MidiMessage::createSysExMessage(std::vector<std::uint8_t>{1, 2, 3}.data(), 3));
    ASSERT_TRUE(engine.waitUntilIdle(2s));
    ASSERT_TRUE(bus->waitUntilDelivered(2s));

    const auto sentToEngine = engine.getReceived();
    ASSERT_EQ(sentToEngine.size(), 2u);
    EXPECT_TRUE(sentToEngine[0].isProgramChange());
    EXPECT_TRUE(sentToEngine[1].isSysEx());
    EXPECT_TRUE(instrument.getRequests().empty());
    const std::lock_guard lock(mutex);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].getSysExDataSize(), 3);
    EXPECT_EQ(onMessageThread.load(), 0);
    EXPECT_EQ(log.count(spdlog::level::warn, droppedWarning), 1);
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
    EXPECT_EQ(bus->countOpenPorts(first) + bus->countOpenPorts(output), 0);
}

// Each failure ends the construction with its text; what was opened stays
// open until the proxy goes.
TEST_F(OrmelProxyTest, eachFailureEndsTheConstructionWithItsText)
{
    struct Row
    {
        bool input, output, inputFails, outputFails;
        const char* status;
        std::string logLine;
        int inputOpen;
    };
    const Row rows[] = {
        {false, false, false, false, "Could not find a midi input corresponding to Ormel.",
         notFound + "inputs:\nAvailable midi outputs: \nAvailable midi inputs: ", 0},
        {true, false, false, false, "Could not find a midi output corresponding to Ormel.",
         notFound + "outputs:\nAvailable midi outputs: \nAvailable midi inputs: Tavelo ormel", 1},
        {true, true, true, false, "Could not open the Ormel DSP MIDI input port.",
         "OS error when opening MIDI input Tavelo ormel,Tavelo * 2", 0},
        {true, true, false, true, "Could not open the Ormel DSP MIDI output port.",
         "OS error when opening MIDI output Tavelo ormel,Tavelo * 2", 1},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.status);
        bus = std::make_shared<simulator::VirtualMidiBus>();
        log.clear();
        const auto input = row.input ? bus->addInput("Tavelo ormel") : juce::String();
        if (row.output)
            bus->setOpenFailure(bus->addOutput("Tavelo ormel", {}), row.outputFails);
        bus->setOpenFailure(input, row.inputFails);

        auto proxy = buildProxyOnWorker(bus);
        EXPECT_EQ(proxy->getStatus().getErrorMessage(), row.status);
        EXPECT_EQ(log.count(row.logLine), 1);
        EXPECT_EQ(bus->countOpenPorts(input), row.inputOpen);
        proxy->sendMidiMessage(juce::MidiMessage::programChange(1, 1)); // goes nowhere, does no harm
        proxy.reset();
        EXPECT_EQ(bus->countOpenPorts(input), 0);
    }
}

// Each callback counts into its own plain counter: only the proxy's lock
// keeps a replaced callback from running at the same time as its successor
// is installed and the counters are read.
TEST(OrmelProxyConcurrency, theCallbackIsReplacedWhileMessagesArrive)
{
    testsupport::LogCapture log;
    auto bus = std::make_shared<simulator::VirtualMidiBus>();
    simulator::SimulatedSoundEngine engine(*bus);
    engine.connect();

    auto proxy = devicelinktest::buildProxyOnWorker(bus);
    ASSERT_TRUE(proxy->getStatus().wasOk());

    constexpr int messageCount = 3000;
    std::atomic<bool> allSent{false};
    std::thread sender(
        [&engine, &allSent]
        {
            for (int i = 0; i < messageCount; ++i)
                engine.send(juce::MidiMessage::controllerEvent(1, 7, i % 128));
            allSent = true;
        });

    // Replaced over and over for as long as messages are on their way.
    std::vector<std::unique_ptr<int>> counters;
    while (!allSent || counters.size() < 100)
    {
        counters.push_back(std::make_unique<int>(0));
        int* counter = counters.back().get();
        proxy->addMessageReceivedCallback([counter](const juce::MidiMessage&) { ++*counter; });
        std::this_thread::yield();
    }
    sender.join();
    ASSERT_TRUE(bus->waitUntilDelivered(10s));

    // Settled: the last callback is the only one still called.
    proxy->addMessageReceivedCallback([](const juce::MidiMessage&) {});
    int total = 0;
    for (const auto& counter : counters)
        total += *counter;
    const int dropped =
        log.count(spdlog::level::warn, "Incoming midi message ignored: message callback hasn't been set yet");
    EXPECT_EQ(total + dropped, messageCount);
    proxy.reset();
}
} // namespace
