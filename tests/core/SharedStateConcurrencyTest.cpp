#include "common/Dictionary.h"
#include "common/Progress.h"
#include "common/Status.h"
#include "core/Core.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;

// These run under ThreadSanitizer too: the update thread's writes and the
// message thread's reads of the shared state must not race.

TEST(SharedState, ProgressWrittenByAWorkerIsReadExactlyOnTheMessageThread)
{
    const auto progress = std::make_shared<Progress>();
    EXPECT_EQ(progress->get(), 0.0);

    std::atomic<bool> done{false};
    std::thread worker(
        [progress, &done]
        {
            for (int i = 0; i <= 1000; ++i)
                progress->set(i / 1000.0);
            progress->set(0.37);
            done = true;
        });
    while (!done)
    {
        const auto seen = progress->get();
        EXPECT_GE(seen, 0.0);
        EXPECT_LE(seen, 1.0);
    }
    worker.join();
    EXPECT_EQ(progress->get(), 0.37);
}

TEST(SharedState, StatusSetOnAWorkerIsReadOnTheMessageThread)
{
    Status status;
    std::atomic<bool> done{false};
    std::thread worker(
        [&]
        {
            for (int i = 0; i < 200; ++i)
                setStatusText(status, "step " + juce::String(i));
            done = true;
        });
    while (!done)
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
