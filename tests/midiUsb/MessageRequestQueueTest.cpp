#include "midiUsb/SysExMidiHandler.h"

#include "VirtualMidiBus.h"
#include "support/LogCapture.h"
#include "support/MessageLoop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace
{
using namespace std::chrono_literals;
using Completion = midiUsb::MessageRequestQueue::Completion;
using testing::ElementsAre;
using testing::IsEmpty;

juce::MidiMessage infoRequest(std::uint8_t code)
{
    const std::uint8_t bytes[] = {0xF0, 0x00, 0x6B, 0x2D, 0x0C, code, 0xF7};
    return juce::MidiMessage(bytes, sizeof(bytes));
}

// The queue driven tick by tick, sending on a virtual output whose peer
// records what arrives, synchronously.
class MessageRequestQueueTest : public testing::Test
{
protected:
    MessageRequestQueueTest()
    {
        const auto identifier = bus.addOutput("Tavelo play", [this](const juce::MidiMessage& message)
                                              { sent.push_back(message.getRawData()[5]); });
        output = bus.openOutput(identifier);
        handler.setMidiOutput(output.get());
    }

    // Queues a request whose callbacks note their runs in `events`.
    void add(std::uint8_t code)
    {
        const auto name = std::to_string(code);
        handler.addMessageToQueue(
            infoRequest(code), [this, name] { events.push_back("timeout " + name); },
            [this, name](const juce::String& text)
            { events.push_back("success " + name + " " + text.toStdString()); },
            [this, name] { events.push_back("empty " + name); });
    }

    void tick(int count = 1)
    {
        for (int i = 0; i < count; ++i)
            handler.timerCallback();
    }

    midiUsb::MessageRequestQueue& queue() { return handler.getRequestQueue(); }

    testsupport::LogCapture log;
    simulator::VirtualMidiBus bus;
    std::vector<int> sent;
    std::vector<std::string> events;
    std::unique_ptr<midiUsb::MidiOutputPort> output;
    midiUsb::SysExMidiHandler handler;
};

TEST_F(MessageRequestQueueTest, requestsGoOutOneAtATimeAndLeaveOnTheTickAfterCompletion)
{
    add(4);
    add(6);
    EXPECT_THAT(sent, IsEmpty()) << "queuing never sends by itself";

    tick();
    EXPECT_THAT(sent, ElementsAre(4));
    EXPECT_EQ(log.count(spdlog::level::debug, "Sending message to connected device: " +
                                                  infoRequest(4).getDescription().toStdString()),
              1);
    tick(20);
    EXPECT_THAT(sent, ElementsAre(4)) << "the second waits for the first";

    EXPECT_EQ(queue().currentRequestSucceeded("2.3.1"), Completion::completed);
    EXPECT_THAT(events, ElementsAre("success 4 2.3.1"));
    EXPECT_EQ(log.count(spdlog::level::debug, "MessageRequestQueue: Current request succeeded !"), 1);

    tick();
    EXPECT_THAT(sent, ElementsAre(4, 6)) << "the tick that removes the first sends the second";

    EXPECT_EQ(queue().currentRequestHasEmptyResult(), Completion::completed);
    EXPECT_THAT(events, ElementsAre("success 4 2.3.1", "empty 6"));
    EXPECT_FALSE(queue().isEmpty()) << "a completed request stays until the next tick";
    tick();
    EXPECT_TRUE(queue().isEmpty());
}

TEST_F(MessageRequestQueueTest, timesOutOnTheThousandthTickAfterSending)
{
    add(4);
    add(2);
    tick(); // sends
    tick(999);
    EXPECT_THAT(events, IsEmpty()) << "not on the 999th tick";
    EXPECT_EQ(log.count("MessageRequestQueue: Current request timedout !"), 0);

    tick();
    EXPECT_THAT(events, ElementsAre("timeout 4"));
    EXPECT_EQ(log.count(spdlog::level::warn, "MessageRequestQueue: Current request timedout !"), 1);
    EXPECT_THAT(sent, ElementsAre(4));

    tick();
    EXPECT_THAT(sent, ElementsAre(4, 2)) << "the next request goes out on the following tick";
    tick(1000);
    EXPECT_THAT(events, ElementsAre("timeout 4", "timeout 2"));
}

TEST_F(MessageRequestQueueTest, anAnswerCompletesOnlyARequestInFlight)
{
    add(4);
    // Not sent yet: the answer belongs to no request of ours.
    EXPECT_EQ(queue().currentRequestSucceeded("early"), Completion::noRequestInFlight);
    EXPECT_EQ(log.count(spdlog::level::warn, "MessageRequestQueue: Success but no pending request !"), 1);
    tick();
    EXPECT_THAT(sent, ElementsAre(4)) << "the request is still sent";

    tick(1000);
    ASSERT_THAT(events, ElementsAre("timeout 4"));
    // Late, after the time-out and before the next tick.
    EXPECT_EQ(queue().currentRequestSucceeded("late"), Completion::noRequestInFlight);
    EXPECT_EQ(queue().currentRequestHasEmptyResult(), Completion::noRequestInFlight);
    EXPECT_EQ(log.count(spdlog::level::warn, "MessageRequestQueue: Empty result but no pending request !"),
              1);
    EXPECT_THAT(events, ElementsAre("timeout 4")) << "exactly one callback per request";

    tick();
    EXPECT_TRUE(queue().isEmpty());
    EXPECT_EQ(queue().currentRequestSucceeded("nobody"), Completion::noRequestInFlight);
    EXPECT_EQ(log.count(spdlog::level::warn, "MessageRequestQueue: Success but no pending request !"), 3);
}

TEST_F(MessageRequestQueueTest, withoutOutputTheRequestIsDroppedAndItsCallerHearsOfIt)
{
    handler.setMidiOutput(nullptr);
    EXPECT_FALSE(queue().hasSendFunction());
    add(4);
    add(6);

    tick();
    EXPECT_EQ(
        log.count(spdlog::level::warn, "No midi output available. The following message could not be sent: " +
                                           infoRequest(4).getDescription().toStdString()),
        1);
    EXPECT_THAT(events, ElementsAre("timeout 4"));
    EXPECT_FALSE(queue().isEmpty());
    tick();
    EXPECT_THAT(events, ElementsAre("timeout 4", "timeout 6"));
    EXPECT_TRUE(queue().isEmpty());
    EXPECT_THAT(sent, IsEmpty());
}

TEST_F(MessageRequestQueueTest, clearWhileInFlightRunsNoCallbackAndTheOldAnswerCompletesNothing)
{
    add(4);
    add(6);
    tick();
    queue().clear();
    EXPECT_TRUE(queue().isEmpty());
    add(2);

    // The answer to the cleared request arrives before the new one is sent.
    EXPECT_EQ(queue().currentRequestSucceeded("stale"), Completion::noRequestInFlight);
    tick();
    EXPECT_THAT(sent, ElementsAre(4, 2));
    tick(1000);
    EXPECT_THAT(events, ElementsAre("timeout 2"));
}

TEST_F(MessageRequestQueueTest, aCallbackMayQueueTheNextRequest)
{
    handler.addMessageToQueue(
        infoRequest(4), [] {}, [this](const juce::String&) { add(6); });
    tick();
    EXPECT_EQ(queue().currentRequestSucceeded("2.3.1"), Completion::completed);
    tick();
    EXPECT_THAT(sent, ElementsAre(4, 6));

    EXPECT_EQ(queue().currentRequestSucceeded("1.8.0"), Completion::completed);

    // The default empty-result callback does nothing, and completes.
    handler.addMessageToQueue(
        infoRequest(2), [this] { events.push_back("timeout 2"); }, [](const juce::String&) {});
    tick();
    EXPECT_THAT(sent, ElementsAre(4, 6, 2));
    EXPECT_EQ(queue().currentRequestHasEmptyResult(), Completion::completed);
    tick(1001);
    EXPECT_THAT(events, ElementsAre("success 6 1.8.0"));
    EXPECT_TRUE(queue().isEmpty());
}

// The real timer: idle until a request is queued (from any thread), ticking
// on the message thread while one waits, idle again once the queue is empty.
TEST_F(MessageRequestQueueTest, theTickRunsOnlyWhileARequestWaits)
{
    EXPECT_FALSE(handler.isTimerRunning());
    std::thread([this] { add(4); }).join();
    EXPECT_TRUE(handler.isTimerRunning());
    ASSERT_TRUE(testsupport::pumpUntil([this] { return sent.size() == 1; }, 10s));

    EXPECT_EQ(queue().currentRequestSucceeded("2.3.1"), Completion::completed);
    ASSERT_TRUE(testsupport::pumpUntil([this] { return !handler.isTimerRunning(); }, 10s));
    EXPECT_TRUE(queue().isEmpty());

    add(6);
    EXPECT_TRUE(handler.isTimerRunning());
    ASSERT_TRUE(testsupport::pumpUntil([this] { return sent.size() == 2; }, 10s));
    EXPECT_THAT(sent, ElementsAre(4, 6));
}
} // namespace
