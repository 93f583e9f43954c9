#include "common/SharedValueTable.h"
#include "common/Status.h"
#include "common/ValueListenerBinder.h"
#include "support/LogCapture.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace
{
struct RecordingListener : juce::Value::Listener
{
    void valueChanged(juce::Value& value) override { seen.push_back(value.toString()); }
    std::vector<juce::String> seen;
};
} // namespace

TEST(ValueListenerBinder, CallsOnceAtOnceThenOnEveryRealChangeUntilDestroyed)
{
    juce::Value value(juce::var("first"));
    RecordingListener listener;
    {
        const ValueListenerBinder binder(value, &listener);
        EXPECT_EQ(listener.seen.size(), 1u);
        value = "second";
        value = "second";
        testsupport::pumpMessages(50ms);
    }
    value = "third";
    testsupport::pumpMessages(50ms);
    EXPECT_EQ(listener.seen, (std::vector<juce::String>{"first", "second"}));
}

TEST(Status, LogsAndNotifiesOncePerRealChange)
{
    testsupport::LogCapture log;
    Status status;
    RecordingListener listener;
    status.message.addListener(&listener);
    EXPECT_EQ(readStatusText(status), "");
    EXPECT_TRUE(setStatusText(status, "Updating firmware."));
    EXPECT_FALSE(setStatusText(status, "Updating firmware."));
    testsupport::pumpMessages(50ms);
    EXPECT_TRUE(setStatusText(status, "Updating DSP."));
    testsupport::pumpMessages(50ms);
    EXPECT_EQ(log.count(spdlog::level::info, "Update status: Updating firmware."), 1);
    EXPECT_EQ(listener.seen, (std::vector<juce::String>{"Updating firmware.", "Updating DSP."}));
    status.message.removeListener(&listener);
}

TEST(SharedValueTable, KeysFromTemporaryTextStayValidAndReachTheSameEntry)
{
    SharedValueTable table;
    {
        std::string temporary = "made at run time";
        table[temporary] = 42;
        std::fill(temporary.begin(), temporary.end(), 'x'); // overwrites the text the key was read from
    }
    for (int i = 0; i < 64; ++i)
        table[std::to_string(i)] = i; // forces rehashes
    EXPECT_EQ(static_cast<int>(table.at("made at run time").getValue()), 42);
    EXPECT_EQ(table.size(), 65u);
}
