#include "ScriptedPortListing.h"

#include "common/Dictionary.h"
#include "serialDevice/SerialDeviceFacade.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace std::chrono_literals;
using testsupport::ScriptedPortListing;

namespace
{
class CountingListener : public SerialWatcherListener
{
public:
    explicit CountingListener(const SerialWatcher& watched)
        : watcher(watched)
    {
    }
    void serialDeviceChanged() override { heldAtEachCall.push_back(watcher.getPort().port); }

    const SerialWatcher& watcher;
    std::vector<std::string> heldAtEachCall;
};

class SerialWatcherTicks : public ::testing::Test
{
protected:
    SerialWatcherTicks()
    {
        // Driven tick by tick: the timer must not poll in between.
        watcher.stopTimer();
        watcher.addChangeListener(&listener);
    }
    ~SerialWatcherTicks() override { watcher.removeChangeListener(&listener); }

    ScriptedPortListing listing;
    SerialWatcher watcher{listing.lister()};
    CountingListener listener{watcher};
};
} // namespace

// Poll by poll: the listings seen, the port held at each call of the
// listeners, and the port held (with the identifier it was taken with) at
// the end.
TEST(SerialWatcher, TakesKeepsAndDropsTheInstrumentsPortPollByPoll)
{
    using P = ScriptedPortListing;
    using Listing = std::vector<serial::PortInfo>;
    struct Row
    {
        const char* name;
        std::vector<Listing> polls;
        std::vector<std::string> heldAtEachCall;
        std::string finalHardwareId;
    };
    const Row rows[] = {
        {"the first instrument port and nothing else",
         {{P::otherDevice("/dev/ttyUSB0"), {"/dev/ttyS0", "n/a", "n/a"}},
          {P::otherDevice("/dev/ttyUSB0"), P::instrument("/dev/ttyACM1", "ONE"),
           P::instrument("/dev/ttyACM2")},
          {P::instrument("/dev/ttyACM1", "ONE")}},
         {"/dev/ttyACM1"},
         "USB VID:PID=5c6d:0010 SNR=ONE"},
        {"the identifier with its letter case",
         {{{"/dev/ttyACM0", "Quarnel Tavelo", "USB VID:PID=5C6D:0010 SNR=None"}},
          {{"/dev/ttyACM0", "n/a", "USB VID:PID=5c6d:00100 SNR=None"}}},
         {"/dev/ttyACM0"},
         "USB VID:PID=5c6d:00100 SNR=None"},
        // Another instrument port first, and the held one's id changed.
        {"a held port stays while its path is listed",
         {{P::instrument("/dev/ttyACM3", "OLD")},
          {P::instrument("/dev/ttyACM0", "NEW"), P::otherDevice("/dev/ttyACM3")},
          {P::instrument("/dev/ttyACM0", "NEW"), P::otherDevice("/dev/ttyACM3")}},
         {"/dev/ttyACM3"},
         "USB VID:PID=5c6d:0010 SNR=OLD"},
        {"dropped and taken in one tick, then dropped",
         {{P::instrument("/dev/ttyACM0"), P::instrument("/dev/ttyACM1")},
          {P::instrument("/dev/ttyACM1")},
          {}},
         {"/dev/ttyACM0", "", "/dev/ttyACM1", ""},
         ""},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        ScriptedPortListing listing;
        SerialWatcher watcher{listing.lister()};
        watcher.stopTimer(); // driven poll by poll
        CountingListener listener{watcher};
        watcher.addChangeListener(&listener);
        listing.set(row.polls.front());
        EXPECT_TRUE(watcher.getPort().port.empty()) << "nothing before the first poll";
        for (const auto& ports : row.polls)
        {
            listing.set(ports);
            watcher.timerCallback();
        }
        EXPECT_EQ(listener.heldAtEachCall, row.heldAtEachCall);
        EXPECT_EQ(watcher.getPort().hardware_id, row.finalHardwareId);
        watcher.removeChangeListener(&listener);
    }
}

TEST_F(SerialWatcherTicks, GetPortIsSafeFromAnotherThread)
{
    std::atomic<bool> stop{false};
    std::atomic<int> sawHeld{0};
    std::thread reader(
        [&]
        {
            while (!stop)
            {
                const auto port = watcher.getPort();
                if (!port.port.empty())
                {
                    EXPECT_EQ(port.hardware_id, "USB VID:PID=5c6d:0010 SNR=None");
                    ++sawHeld;
                }
            }
        });
    for (int tick = 0; tick < 500; ++tick)
    {
        listing.set(tick % 2 == 0
                        ? std::vector<serial::PortInfo>{ScriptedPortListing::instrument("/dev/ttyACM0")}
                        : std::vector<serial::PortInfo>{});
        watcher.timerCallback();
    }
    stop = true;
    reader.join();
    EXPECT_EQ(listener.heldAtEachCall.size(), 500u);
}

namespace
{
class ValueChanges : public juce::Value::Listener
{
public:
    void valueChanged(juce::Value& value) override
    {
        EXPECT_TRUE(juce::MessageManager::getInstance()->isThisTheMessageThread());
        seen.push_back(static_cast<bool>(value.getValue()));
    }
    std::vector<bool> seen;
};
} // namespace

TEST(SerialDeviceFacade, TheStatusValueFollowsTheHeldPortOnTheMessageThread)
{
    SharedValueTable values;
    values[Dictionary::taveloSerialStatus] = false;
    ScriptedPortListing listing;
    serialDevice::SerialDeviceFacade facade(values, listing.lister());
    EXPECT_FALSE(facade.serialPort.isOpen());
    EXPECT_EQ(facade.serialPort.getBaudrate(), 9600u);
    EXPECT_TRUE(facade.serialPort.getPort().empty());

    ValueChanges changes;
    values[Dictionary::taveloSerialStatus].addListener(&changes);

    // The watcher's own 200 ms timer finds the port.
    listing.set({ScriptedPortListing::instrument("/dev/ttyACM0")});
    EXPECT_TRUE(testsupport::pumpUntil([&] { return changes.seen == std::vector<bool>{true}; }, 5000ms));
    EXPECT_TRUE(static_cast<bool>(values[Dictionary::taveloSerialStatus].getValue()));

    // Listed ports that are not the instrument do not count.
    listing.set({ScriptedPortListing::otherDevice("/dev/ttyUSB0")});
    EXPECT_TRUE(testsupport::pumpUntil(
        [&] {
            return changes.seen == std::vector<bool>{true, false};
        },
        5000ms));

    // A drop and a take in one tick: the value's listeners, called later,
    // never see it false.
    listing.set({ScriptedPortListing::instrument("/dev/ttyACM0")});
    EXPECT_TRUE(testsupport::pumpUntil([&] { return changes.seen.size() == 3; }, 5000ms));
    facade.serialWatcher.stopTimer();
    listing.set({ScriptedPortListing::instrument("/dev/ttyACM1")});
    facade.serialWatcher.timerCallback();
    testsupport::pumpMessages(100ms);
    EXPECT_TRUE(static_cast<bool>(values[Dictionary::taveloSerialStatus].getValue()));
    ASSERT_GE(changes.seen.size(), 3u);
    EXPECT_TRUE(std::all_of(changes.seen.begin() + 2, changes.seen.end(), [](bool held) { return held; }));
    EXPECT_EQ(facade.serialWatcher.getPort().port, "/dev/ttyACM1");

    values[Dictionary::taveloSerialStatus].removeListener(&changes);
}
