#include "DeviceLinkTestSupport.h"
#include "SysExAnswerBuilder.h"
#include "midiUsb/MidiDeviceFacade.h"

using namespace std::chrono_literals;
using testsupport::pumpMessages;

namespace
{
// Answers handed on by the receive thread but not handled yet (the message
// thread is busy), then answers that keep arriving while the facade goes.
TEST(FacadeLifetime, answersArrivingAroundTheFacadesDestructionRunIntoNothing)
{
    testsupport::LogCapture log;
    auto bus = std::make_shared<simulator::VirtualMidiBus>();
    SharedValueTable values;
    devicelinktest::fillDeviceValues(values);
    auto facade = std::make_unique<midiUsb::MidiDeviceFacade>(values, bus);
    const auto input = bus->addInput("Tavelo play");
    bus->addOutput("Tavelo play", {});
    ASSERT_TRUE(testsupport::pumpUntil([&] { return !facade->getMidiOutput().expired(); }, 5s));

    const auto answer =
        simulator::SysExAnswerBuilder::toMessage(simulator::SysExAnswerBuilder::infoAnswer(0x04, "2.3.1"));
    for (int i = 0; i < 300; ++i)
        bus->sendFromPeer(input, answer);
    ASSERT_TRUE(bus->waitUntilDelivered(5s));
    std::atomic<bool> stop{false};
    std::thread instrument(
        [&]
        {
            for (; !stop; std::this_thread::sleep_for(100us))
                bus->sendFromPeer(input, answer);
        });
    facade.reset();
    pumpMessages(300ms);
    stop = true;
    instrument.join();
    pumpMessages(100ms);
    EXPECT_FALSE(log.contains("MessageRequestQueue: Success but no pending request !"));
}

// The message thread does not list the ports within the second: the proxy
// gives up, and the listing that runs later must not reach it.
TEST(OrmelProxyLifetime, aBlockedMessageThreadFailsTheConstructionAndTheLateListingIsHarmless)
{
    testsupport::LogCapture log;
    auto bus = std::make_shared<simulator::VirtualMidiBus>();
    bus->addInput("Tavelo ormel");
    bus->addOutput("Tavelo ormel", {});
    juce::String status;
    // Joined without running posted calls.
    std::thread([&] { status = OrmelProxyImpl(bus).getStatus().getErrorMessage(); }).join();
    EXPECT_EQ(status, "Could not find a midi input corresponding to Ormel.");
    EXPECT_EQ(log.count(spdlog::level::warn,
                        "Could not find device named Tavelo ormel,Tavelo * 2 in midi inputs:\n"
                        "Available midi outputs: \nAvailable midi inputs: "),
              1);
    pumpMessages(200ms); // now the posted listing runs, after the proxy is gone
}
} // namespace
