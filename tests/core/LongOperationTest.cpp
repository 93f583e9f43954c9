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

TEST(LongOperation, TheFlagIsOnWhileTheGuardLivesOnAnotherThread)
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
    testsupport::pumpMessages(30ms); // the posted flip finds no Core
}
