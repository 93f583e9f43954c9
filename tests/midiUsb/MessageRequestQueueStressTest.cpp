#include "VirtualMidiBus.h"
#include "midiUsb/SysExMidiHandler.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
juce::MidiMessage keyRequest(int key)
{
    const std::uint8_t bytes[] = {
        0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x02, static_cast<std::uint8_t>(key & 0x7F), 0xF7};
    return juce::MidiMessage(bytes, sizeof(bytes));
}

// A worker queues, polls and clears as the update thread does, and sends
// straight on the output, while the message thread ticks and completes.
TEST(MessageRequestQueueStress, workerAndMessageThreadShareTheQueueAndTheOutput)
{
    constexpr int requestCount = 3000;
    simulator::VirtualMidiBus bus;
    std::atomic<int> inPeer{0};
    std::atomic<int> overlaps{0};
    auto output = bus.openOutput(bus.addOutput("Tavelo play",
                                               [&](const juce::MidiMessage&)
                                               {
                                                   overlaps += inPeer.fetch_add(1) != 0;
                                                   inPeer.fetch_sub(1);
                                               }));
    midiUsb::SysExMidiHandler handler;
    handler.setMidiOutput(output.get());
    auto& queue = handler.getRequestQueue();

    std::vector<std::atomic<int>> callbacks(requestCount + 1);
    std::atomic<int> callbacksOffMessageThread{0};
    const auto add = [&](int id)
    {
        const auto note = [&, id]
        {
            callbacksOffMessageThread += !juce::MessageManager::getInstance()->isThisTheMessageThread();
            ++callbacks[static_cast<size_t>(id)];
        };
        handler.addMessageToQueue(
            keyRequest(id), note, [note](const juce::String&) { note(); }, note);
    };

    std::atomic<bool> workerDone{false};
    std::thread worker(
        [&]
        {
            juce::Thread::setCurrentThreadName("Stress worker");
            for (int id = 1; id < requestCount; ++id)
            {
                add(id);
                if (id % 7 == 0)
                    output->sendMessageNow(keyRequest(0));
                if (id % 97 == 0)
                    queue.clear();
                while (!queue.isEmpty() && id % 10 == 0)
                    std::this_thread::yield();
            }
            workerDone = true;
        });

    for (int turn = 0; !(workerDone && queue.isEmpty()) && turn < 2'000'000; ++turn)
    {
        handler.timerCallback();
        if (turn % 3 == 0)
            queue.currentRequestSucceeded("0,0,0,0,0,0\n");
        else if (turn % 3 == 1)
            queue.currentRequestHasEmptyResult(
                [](const juce::MidiMessage& request)
                {
                    using Fit = midiUsb::MessageRequestQueue::AnswerFit;
                    const auto key = request.getRawData()[7];
                    return key % 2 == 0 ? Fit::belongs : key % 3 == 0 ? Fit::mayStandIn : Fit::foreign;
                });
        if (turn % 1000 == 0)
            add(requestCount);
        if (turn % 500 == 0)
            std::this_thread::yield();
    }
    worker.join();
    queue.clear();

    EXPECT_TRUE(workerDone.load());
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(callbacksOffMessageThread.load(), 0);
    int completed = 0;
    for (int id = 1; id < requestCount; ++id)
    {
        const int calls = callbacks[static_cast<size_t>(id)].load();
        EXPECT_LE(calls, 1) << "request " << id;
        completed += calls;
    }
    EXPECT_GT(completed, requestCount / 4) << "most requests are answered, not cleared";
}
} // namespace
