#include "ScriptedPortListing.h"

#include "common/Dictionary.h"
#include "serialDevice/SerialDeviceFacade.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace std::chrono_literals;
using P = testsupport::ScriptedPortListing;

namespace
{
// Driven poll by poll: records the port held at each call of the listeners.
struct WatcherRig : SerialWatcherListener
{
    WatcherRig()
    {
        watcher.stopTimer();
        watcher.addChangeListener(this);
    }
    ~WatcherRig() override { watcher.removeChangeListener(this); }
    void serialDeviceChanged() override { heldAtEachCall.push_back(watcher.getPort().port); }
    void poll(std::vector<serial::PortInfo> ports)
    {
        listing.ports = std::move(ports);
        watcher.timerCallback();
    }

    P listing;
    SerialWatcher watcher{listing.lister()};
    std::vector<std::string> heldAtEachCall;
};
} // namespace

TEST(SerialWatcher, TakesKeepsAndDropsTheInstrumentsPortPollByPoll)
{
    const struct
    {
        const char* name;
        std::vector<std::vector<serial::PortInfo>> polls;
        std::vector<std::string> heldAtEachCall;
        std::string finalHardwareId;
    } rows[] = {
        {"the first instrument port only; dropped and another taken in one tick, then dropped",
         {{P::otherDevice("/dev/ttyUSB0"), {"/dev/ttyS0", "n/a", "n/a"}},
          {P::otherDevice("/dev/ttyUSB0"), P::instrument("/dev/ttyACM1"), P::instrument("/dev/ttyACM2")},
          {P::instrument("/dev/ttyACM2")},
          {}},
         {"/dev/ttyACM1", "", "/dev/ttyACM2", ""},
         ""},
        {"the identifier in its letter case, as a part; kept with it while its path is listed",
         {{{"/dev/ttyACM0", "Quarnel Tavelo", "USB VID:PID=5C6D:0010 SNR=None"}},
          {{"/dev/ttyACM0", "n/a", "USB VID:PID=5c6d:00100 SNR=None"}},
          {P::instrument("/dev/ttyACM1"), P::otherDevice("/dev/ttyACM0")}},
         {"/dev/ttyACM0"},
         "USB VID:PID=5c6d:00100 SNR=None"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        WatcherRig rig;
        rig.listing.ports = row.polls.front();
        EXPECT_TRUE(rig.watcher.getPort().port.empty()) << "nothing before the first poll";
        for (const auto& ports : row.polls)
            rig.poll(ports);
        EXPECT_EQ(rig.heldAtEachCall, row.heldAtEachCall);
        EXPECT_EQ(rig.watcher.getPort().hardware_id, row.finalHardwareId);
    }
}

TEST(SerialWatcher, GetPortIsSafeFromAnotherThread)
{
    WatcherRig rig;
    std::atomic<bool> stop{false};
    std::thread reader(
        [&]
        {
            while (!stop)
                if (const auto port = rig.watcher.getPort(); !port.port.empty())
                    EXPECT_EQ(port.hardware_id, "USB VID:PID=5c6d:0010 SNR=None");
        });
    for (int tick = 0; tick < 500; ++tick)
        rig.poll(tick % 2 == 0 ? std::vector<serial::PortInfo>{P::instrument("/dev/ttyACM0")}
                               : std::vector<serial::PortInfo>{});
    stop = true;
    reader.join();
    EXPECT_EQ(rig.heldAtEachCall.size(), 500u);
}

namespace
{
struct ValueChanges : juce::Value::Listener
{
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
    auto& status = values[Dictionary::taveloSerialStatus];
    status = false;
    P listing;
    serialDevice::SerialDeviceFacade facade(values, listing.lister());
    ValueChanges changes;
    status.addListener(&changes);

    // The watcher's own timer finds the port; then poll by poll.
    listing.ports = {P::instrument("/dev/ttyACM0")};
    EXPECT_TRUE(testsupport::pumpUntil([&] { return changes.seen.size() == 1; }, 5000ms));
    facade.serialWatcher.stopTimer();
    for (const auto& ports : {std::vector<serial::PortInfo>{P::otherDevice("/dev/ttyUSB0")},
                              {P::instrument("/dev/ttyACM0")},
                              {P::instrument("/dev/ttyACM1")}})
    {
        listing.ports = ports;
        facade.serialWatcher.timerCallback();
        testsupport::pumpMessages(50ms);
    }
    // The last tick dropped one port and took another: the listeners never see it false.
    ASSERT_GE(changes.seen.size(), 3u);
    EXPECT_EQ(std::vector<bool>(changes.seen.begin(), changes.seen.begin() + 3),
              (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(std::all_of(changes.seen.begin() + 2, changes.seen.end(), [](bool held) { return held; }));
    status.removeListener(&changes);
}
