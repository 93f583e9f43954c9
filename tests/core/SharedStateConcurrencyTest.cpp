#include "common/Dictionary.h"
#include "common/Status.h"
#include "core/Core.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;

// Under ThreadSanitizer too: the update thread's writes and the message
// thread's reads of the shared state must not race.
TEST(SharedState, StatusSetOnAWorkerIsReadOnTheMessageThread)
{
    Status status;
    std::thread worker(
        [&]
        {
            for (int i = 0; i < 200; ++i)
                setStatusText(status, "step " + juce::String(i));
        });
    for (int i = 0; i < 200; ++i)
        (void)readStatusText(status);
    worker.join();
    testsupport::pumpMessages(20ms);
    EXPECT_EQ(readStatusText(status), "step 199");
}

TEST(SharedState, UpdatePossibleIsReadableFromAWorkerWhileTheMessageThreadWritesIt)
{
    Core core;
    std::atomic<bool> stop{false};
    std::atomic<int> trueSeen{0};
    std::thread worker(
        [&]
        {
            while (!stop)
                trueSeen += core.isUpdatePossible() ? 1 : 0;
        });
    auto& version = core.values[Dictionary::currentTaveloVersionKey];
    for (int i = 0; i < 50; ++i)
    {
        version = (i % 2 == 0) ? "2.0.1" : "No version found";
        testsupport::pumpMessages(2ms);
    }
    version = "2.0.1";
    EXPECT_TRUE(testsupport::pumpUntil([&] { return core.isUpdatePossible(); }, 1000ms));
    stop = true;
    worker.join();
    EXPECT_GT(trueSeen.load(), 0);
}
