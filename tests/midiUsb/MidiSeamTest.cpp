#include "midiUsb/JuceMidiSystem.h"

#include "VirtualMidiBus.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace
{
using namespace std::chrono_literals;
using testing::ElementsAre;
using testing::IsEmpty;

std::vector<juce::String> namesOf(const std::vector<juce::MidiDeviceInfo>& devices)
{
    std::vector<juce::String> names;
    for (const auto& device : devices)
        names.push_back(device.name);
    return names;
}

juce::MidiMessage sysEx(int size, std::uint8_t fill)
{
    std::vector<std::uint8_t> bytes(static_cast<size_t>(size), fill);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return juce::MidiMessage(bytes.data(), size);
}

// Records what an open input delivers and on which thread.
class RecordingReceiver : public midiUsb::MidiInputReceiver
{
public:
    void midiMessageReceived(midiUsb::MidiInputPort& source, const juce::MidiMessage& message) override
    {
        const std::lock_guard lock(mutex);
        messages.push_back(message);
        threads.push_back(juce::Thread::getCurrentThreadId());
        sources.push_back(source.getIdentifier());
        threadNames.push_back(threadName());
        if (onReceive)
            onReceive();
    }

    static juce::String threadName()
    {
        char name[32] = {};
        pthread_getname_np(pthread_self(), name, sizeof(name));
        return name;
    }

    std::mutex mutex;
    std::vector<juce::MidiMessage> messages;
    std::vector<juce::Thread::ThreadID> threads;
    std::vector<juce::String> sources;
    std::vector<juce::String> threadNames;
    std::function<void()> onReceive;
};

// Captures what the process writes on its standard error.
class StderrCapture
{
public:
    StderrCapture()
    {
        std::fflush(stderr);
        saved = ::dup(STDERR_FILENO);
        file = std::tmpfile();
        ::dup2(::fileno(file), STDERR_FILENO);
    }

    std::string finish()
    {
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        std::rewind(file);
        std::string text;
        for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
            text.push_back(static_cast<char>(c));
        std::fclose(file);
        return text;
    }

private:
    int saved = -1;
    std::FILE* file = nullptr;
};

TEST(JuceMidiSystem, listingWithoutAMidiServiceIsQuiet)
{
    if (midiUsb::JuceMidiSystem::isMidiServiceAvailable())
        GTEST_SKIP() << "this machine has a MIDI service";

    midiUsb::JuceMidiSystem system;
    RecordingReceiver receiver;
    StderrCapture capture;
    for (int poll = 0; poll < 3; ++poll)
    {
        EXPECT_THAT(system.getInputs(), IsEmpty());
        EXPECT_THAT(system.getOutputs(), IsEmpty());
    }
    EXPECT_EQ(system.openInput("hw:1,0", receiver), nullptr);
    EXPECT_EQ(system.openOutput("hw:1,0"), nullptr);
    EXPECT_EQ(capture.finish(), "");
}

TEST(VirtualMidiBus, portsComeAndGoOneByOneByName)
{
    simulator::VirtualMidiBus bus;
    const auto playIn = bus.addInput("Tavelo play");
    const auto otherIn = bus.addInput("Keystation 49");
    const auto playOut = bus.addOutput("Tavelo play", {});
    EXPECT_THAT(namesOf(bus.getInputs()), ElementsAre("Tavelo play", "Keystation 49"));
    EXPECT_THAT(namesOf(bus.getOutputs()), ElementsAre("Tavelo play"));
    EXPECT_NE(playIn, otherIn);
    EXPECT_NE(playIn, playOut);

    bus.removeInput(playIn);
    EXPECT_THAT(namesOf(bus.getInputs()), ElementsAre("Keystation 49"));
    EXPECT_THAT(namesOf(bus.getOutputs()), ElementsAre("Tavelo play")) << "the output stays";
    const auto again = bus.addInput("Tavelo play");
    EXPECT_NE(again, playIn) << "identifiers are never reused";
    EXPECT_THAT(namesOf(bus.getInputs()), ElementsAre("Keystation 49", "Tavelo play"));

    RecordingReceiver receiver;
    EXPECT_EQ(bus.openInput(playIn, receiver), nullptr) << "a removed port cannot be opened";
    bus.setOpenFailure(again, true);
    bus.setOpenFailure(playOut, true);
    EXPECT_EQ(bus.openInput(again, receiver), nullptr);
    EXPECT_EQ(bus.openOutput(playOut), nullptr);
    bus.setOpenFailure(again, false);
    bus.setOpenFailure(playOut, false);
    const auto input = bus.openInput(again, receiver);
    const auto output = bus.openOutput(playOut);
    ASSERT_NE(input, nullptr);
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(input->getName(), "Tavelo play");
    EXPECT_EQ(input->getIdentifier(), again);
    EXPECT_EQ(output->getIdentifier(), playOut);
    EXPECT_EQ(bus.countOpenPorts(again), 1);
    EXPECT_EQ(bus.countOpenPorts(playOut), 1);
}

TEST(VirtualMidiBus, deliversWholeMessagesInOrderOnItsReceiveThreadWithFrameworkTimeStamps)
{
    simulator::VirtualMidiBus bus;
    const auto identifier = bus.addInput("Tavelo play");
    RecordingReceiver receiver;
    auto input = bus.openInput(identifier, receiver);

    EXPECT_TRUE(bus.sendFromPeer(identifier, juce::MidiMessage::noteOn(1, 60, 0.5f)));
    ASSERT_TRUE(bus.waitUntilDelivered(5s));
    EXPECT_THAT(receiver.messages, IsEmpty()) << "nothing before start";

    input->start();
    const auto before = juce::Time::getMillisecondCounterHiRes() * 0.001;
    bus.sendFromPeer(identifier, sysEx(2410, 0x11));
    for (int i = 0; i < 100; ++i)
        bus.sendFromPeer(identifier, juce::MidiMessage::controllerEvent(1, 7, i));
    ASSERT_TRUE(bus.waitUntilDelivered(5s));
    const auto after = juce::Time::getMillisecondCounterHiRes() * 0.001;

    const std::lock_guard lock(receiver.mutex);
    ASSERT_EQ(receiver.messages.size(), 101u);
    EXPECT_EQ(receiver.messages[0].getRawDataSize(), 2410);
    EXPECT_TRUE(receiver.messages[0].isSysEx());
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(receiver.messages[static_cast<size_t>(i) + 1].getControllerValue(), i);
    EXPECT_GE(receiver.messages[0].getTimeStamp(), before);
    EXPECT_LE(receiver.messages.back().getTimeStamp(), after);
    EXPECT_NE(receiver.threads[0], juce::MessageManager::getInstance()->getCurrentMessageThread());
    EXPECT_NE(receiver.threads[0], juce::Thread::getCurrentThreadId());
    EXPECT_EQ(receiver.threadNames[0], "Virtual MIDI rx");
    EXPECT_EQ(receiver.sources[0], identifier);
}

TEST(VirtualMidiBus, noCallbackRunsOnceStopOrDestructionHasReturned)
{
    simulator::VirtualMidiBus bus;
    const auto identifier = bus.addInput("Tavelo play");
    RecordingReceiver receiver;
    auto input = bus.openInput(identifier, receiver);
    input->start();

    // A callback under way holds stop() until it has returned.
    std::mutex gateMutex;
    std::condition_variable gate;
    bool entered = false, release = false;
    std::atomic<bool> inCallback{false};
    receiver.onReceive = [&]
    {
        std::unique_lock lock(gateMutex);
        inCallback = entered = true;
        gate.notify_all();
        gate.wait(lock, [&] { return release; });
        inCallback = false;
    };
    bus.sendFromPeer(identifier, juce::MidiMessage::noteOn(1, 60, 0.5f));
    {
        std::unique_lock lock(gateMutex);
        gate.wait(lock, [&] { return entered; });
    }
    std::thread releaser(
        [&]
        {
            std::this_thread::sleep_for(50ms);
            const std::lock_guard lock(gateMutex);
            release = true;
            gate.notify_all();
        });
    input->stop();
    EXPECT_FALSE(inCallback.load());
    releaser.join();

    receiver.onReceive = nullptr;
    bus.sendFromPeer(identifier, juce::MidiMessage::noteOff(1, 60));
    ASSERT_TRUE(bus.waitUntilDelivered(5s));
    input->start();
    input.reset();
    bus.sendFromPeer(identifier, juce::MidiMessage::noteOff(1, 61));
    ASSERT_TRUE(bus.waitUntilDelivered(5s));
    const std::lock_guard lock(receiver.mutex);
    EXPECT_EQ(receiver.messages.size(), 1u);
    EXPECT_EQ(bus.countOpenPorts(identifier), 0);
}

TEST(VirtualMidiBus, sendsFromManyThreadsReachThePeerOneWholeMessageAtATime)
{
    simulator::VirtualMidiBus bus;
    std::atomic<int> inPeer{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> received{0};
    std::atomic<int> broken{0};
    const auto identifier = bus.addOutput("Tavelo play",
                                          [&](const juce::MidiMessage& message)
                                          {
                                              if (inPeer.fetch_add(1) != 0)
                                                  ++overlaps;
                                              const auto* data = message.getRawData();
                                              for (int i = 1; i < message.getRawDataSize() - 1; ++i)
                                                  if (data[i] != data[1])
                                                      ++broken;
                                              std::this_thread::yield();
                                              ++received;
                                              inPeer.fetch_sub(1);
                                          });
    auto output = bus.openOutput(identifier);
    std::vector<std::thread> senders;
    for (int thread = 0; thread < 4; ++thread)
        senders.emplace_back(
            [&, thread]
            {
                for (int i = 0; i < 200; ++i)
                    output->sendMessageNow(sysEx(64 + thread, static_cast<std::uint8_t>(thread + 1)));
            });
    for (auto& sender : senders)
        sender.join();
    EXPECT_EQ(received.load(), 800);
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(broken.load(), 0);
    EXPECT_EQ(bus.getTraffic().size(), 800u);
}

TEST(VirtualMidiBus, aRemovedOutputSwallowsWhatIsSentAndNeverCallsItsPeerAgain)
{
    simulator::VirtualMidiBus bus;
    int calls = 0;
    const auto identifier = bus.addOutput("Tavelo play", [&](const juce::MidiMessage&) { ++calls; });
    auto output = bus.openOutput(identifier);
    output->sendMessageNow(juce::MidiMessage::noteOn(1, 60, 0.5f));
    bus.removeOutput(identifier);
    output->sendMessageNow(juce::MidiMessage::noteOn(1, 61, 0.5f));
    EXPECT_EQ(calls, 1);
    EXPECT_THAT(bus.getOutputs(), IsEmpty());

    const auto traffic = bus.getTraffic();
    ASSERT_EQ(traffic.size(), 1u);
    EXPECT_EQ(traffic[0].direction, simulator::MidiTraffic::Direction::fromSystem);
    EXPECT_EQ(traffic[0].portName, "Tavelo play");
    EXPECT_EQ(traffic[0].message.getNoteNumber(), 60);
    EXPECT_FALSE(bus.sendFromPeer(identifier, juce::MidiMessage::noteOn(1, 62, 0.5f)));
    bus.clearTraffic();
    EXPECT_THAT(bus.getTraffic(), IsEmpty());
}
} // namespace
