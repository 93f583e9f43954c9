#include "common/Dictionary.h"
#include "core/Core.h"
#include "core/ScopedLongOperationActivator.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

namespace
{
struct FlagJournal : juce::Value::Listener
{
    void valueChanged(juce::Value& value) override { seen.push_back(static_cast<bool>(value.getValue())); }
    std::vector<bool> seen;
};
} // namespace

TEST(LongOperation, AGuardOnAWorkerThreadFlipsTheFlagOnAndBackOff)
{
    Core core;
    auto& flag = core.values[Dictionary::firmwareLongOperation];
    FlagJournal journal;
    flag.addListener(&journal);

    std::thread worker(
        [&core]
        {
            juce::Thread::setCurrentThreadName("update");
            const ScopedLongOperationActivator activator(core);
            std::this_thread::sleep_for(20ms);
        });
    worker.join();
    // Nothing ran yet: every change is posted to this (the message) thread.
    EXPECT_FALSE(static_cast<bool>(flag.getValue()));
    EXPECT_TRUE(journal.seen.empty());

    // Both flips run in one go, so the listener may hear of them once.
    testsupport::pumpMessages(50ms);
    EXPECT_FALSE(journal.seen.empty()) << "the flag never changed";
    EXPECT_FALSE(static_cast<bool>(flag.getValue()));
    flag.removeListener(&journal);
}

TEST(LongOperation, TheFlagIsOnWhileTheGuardLives)
{
    Core core;
    auto& flag = core.values[Dictionary::firmwareLongOperation];
    FlagJournal journal;
    flag.addListener(&journal);

    std::atomic<bool> release{false};
    std::thread worker(
        [&]
        {
            const ScopedLongOperationActivator activator(core);
            while (!release)
                std::this_thread::sleep_for(1ms);
        });

    EXPECT_TRUE(testsupport::pumpUntil([&] { return static_cast<bool>(flag.getValue()); }, 2000ms));
    release = true;
    worker.join();
    EXPECT_TRUE(testsupport::pumpUntil([&] { return !static_cast<bool>(flag.getValue()); }, 2000ms));
    testsupport::pumpMessages(30ms);
    EXPECT_EQ(journal.seen, (std::vector<bool>{true, false}));
    flag.removeListener(&journal);
}

TEST(LongOperation, ToggleFlipsRatherThanSetsAndOutlivingFlipsAreHarmless)
{
    auto core = std::make_unique<Core>();
    auto& flag = core->values[Dictionary::firmwareLongOperation];
    flag = true;
    core->toggleFirmwareLongOperation();
    testsupport::pumpMessages(30ms);
    EXPECT_FALSE(static_cast<bool>(flag.getValue()));

    core->toggleFirmwareLongOperation();
    core.reset();
    testsupport::pumpMessages(30ms); // the posted flip finds no Core and does nothing
}
