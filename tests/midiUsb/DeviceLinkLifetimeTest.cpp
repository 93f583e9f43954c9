#include "DeviceLinkTestSupport.h"
#include "SysExAnswerBuilder.h"
#include "midiUsb/MidiDeviceFacade.h"
#include "midiUsb/OrmelProxyImpl.h"
#include "support/LogCapture.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;
using testsupport::pumpMessages;
using testsupport::pumpUntil;

namespace
{
juce::MidiMessage versionAnswer()
{
    return simulator::SysExAnswerBuilder::toMessage(simulator::SysExAnswerBuilder::infoAnswer(0x04, "2.3.1"));
}

class FacadeLifetimeTest : public ::testing::Test
{
protected:
    FacadeLifetimeTest()
    {
        devicelinktest::fillDeviceValues(values);
        facade = std::make_unique<midiUsb::MidiDeviceFacade>(values, bus);
        input = bus->addInput("Tavelo play");
        bus->addOutput("Tavelo play", {});
    }

    bool waitUntilOpen()
    {
        return pumpUntil([this] { return !facade->getMidiOutput().expired(); }, 5s);
    }

    testsupport::LogCapture log;
    std::shared_ptr<simulator::VirtualMidiBus> bus = std::make_shared<simulator::VirtualMidiBus>();
    SharedValueTable values;
    std::unique_ptr<midiUsb::MidiDeviceFacade> facade;
    juce::String input;
};

TEST_F(FacadeLifetimeTest, answersPostedBeforeTheFacadeIsDestroyedRunIntoNothing)
{
    ASSERT_TRUE(waitUntilOpen());

    // Handed on by the receive thread, not handled yet: the message thread
    // is busy here.
    for (int i = 0; i < 300; ++i)
        bus->sendFromPeer(input, versionAnswer());
    ASSERT_TRUE(bus->waitUntilDelivered(5s));

    facade.reset();
    pumpMessages(300ms);
    EXPECT_FALSE(log.contains("MessageRequestQueue: Success but no pending request !"));
}

TEST_F(FacadeLifetimeTest, theFacadeIsDestroyedWhileAnswersKeepArriving)
{
    ASSERT_TRUE(waitUntilOpen());

    std::atomic<bool> stop{false};
    std::thread instrument(
        [&]
        {
            while (!stop)
            {
                bus->sendFromPeer(input, versionAnswer());
                std::this_thread::sleep_for(100us);
            }
        });

    pumpMessages(200ms);
    facade.reset();
    pumpMessages(200ms);
    stop = true;
    instrument.join();
    pumpMessages(100ms);
    SUCCEED();
}

// The message thread does not list the ports within the second: the proxy
// gives up, and the listing that runs later must not reach it.
TEST(OrmelProxyLifetime, aBlockedMessageThreadFailsTheConstructionAndTheLateListingIsHarmless)
{
    testsupport::LogCapture log;
    auto bus = std::make_shared<simulator::VirtualMidiBus>();
    bus->addInput("Tavelo ormel");
    bus->addOutput("Tavelo ormel", {});

    std::atomic<bool> done{false};
    juce::String status;
    std::thread worker(
        [&]
        {
            {
                const OrmelProxyImpl proxy(bus);
                status = proxy.getStatus().getErrorMessage();
            }
            done = true;
        });

    // Busy for longer than the second, without running posted calls.
    while (!done)
        std::this_thread::sleep_for(10ms);
    worker.join();

    EXPECT_EQ(status, "Could not find a midi input corresponding to Ormel.");
    EXPECT_EQ(log.count(spdlog::level::warn,
                        "Could not find device named Tavelo ormel,Tavelo * 2 in midi inputs:\n"
                        "Available midi outputs: \nAvailable midi inputs: "),
              1);

    // Now the posted listing runs, after the proxy is gone.
    pumpMessages(200ms);
}
} // namespace
