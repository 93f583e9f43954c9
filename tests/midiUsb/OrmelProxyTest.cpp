#include "DeviceLinkTestSupport.h"
#include "SimulatedSoundEngine.h"

using namespace std::chrono_literals;

namespace
{
// Plain counters, one per callback: only the proxy's lock keeps a replaced
// callback from running while its successor is installed and the counters read.
TEST(OrmelProxyConcurrency, theCallbackIsReplacedWhileMessagesArrive)
{
    testsupport::LogCapture log;
    auto bus = std::make_shared<simulator::VirtualMidiBus>();
    simulator::SimulatedSoundEngine engine(*bus);
    engine.connect();

    auto proxy = devicelinktest::buildProxyOnWorker(bus);
    ASSERT_TRUE(proxy->getStatus().wasOk());

    constexpr int messageCount = 3000;
    std::atomic<bool> allSent{false};
    std::thread sender(
        [&engine, &allSent]
        {
            for (int i = 0; i < messageCount; ++i)
                engine.send(juce::MidiMessage::controllerEvent(1, 7, i % 128));
            allSent = true;
        });

    std::vector<std::unique_ptr<int>> counters;
    while (!allSent || counters.size() < 100)
    {
        counters.push_back(std::make_unique<int>(0));
        int* counter = counters.back().get();
        proxy->addMessageReceivedCallback([counter](const juce::MidiMessage&) { ++*counter; });
        std::this_thread::yield();
    }
    sender.join();
    ASSERT_TRUE(bus->waitUntilDelivered(10s));

    proxy->addMessageReceivedCallback([](const juce::MidiMessage&) {});
    int total = 0;
    for (const auto& counter : counters)
        total += *counter;
    const int dropped =
        log.count(spdlog::level::warn, "Incoming midi message ignored: message callback hasn't been set yet");
    EXPECT_EQ(total + dropped, messageCount);
    proxy.reset();
}
} // namespace
