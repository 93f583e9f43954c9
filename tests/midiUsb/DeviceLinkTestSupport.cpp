#include "DeviceLinkTestSupport.h"

#include "common/Dictionary.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <atomic>
#include <thread>

namespace devicelinktest
{
void fillDeviceValues(SharedValueTable& values)
{
    const juce::String noVersion(std::string(Dictionary::noVersionFound));
    values[Dictionary::midiDevicesKey] = juce::var(juce::Array<juce::var>());
    values[Dictionary::selectedMidiDeviceKey] = juce::String();
    values[Dictionary::currentTaveloVersionKey] = noVersion;
    values[Dictionary::currentPirelMatrixVersionKey] = noVersion;
    values[Dictionary::casingSerialNumber] = juce::String(std::string(Dictionary::noSerialNumber));
}

juce::String text(const SharedValueTable& values, std::string_view key)
{
    return values.at(key).toString();
}

std::vector<midiUsb::InfoRequestType> infoRequestsSent(const simulator::VirtualMidiBus& bus)
{
    std::vector<midiUsb::InfoRequestType> requests;
    for (const auto& message : bus.getSent())
        if (const auto* bytes = message.getRawData(); message.getRawDataSize() == 7 && bytes[4] == 0x0C)
            requests.push_back(static_cast<midiUsb::InfoRequestType>(bytes[5]));
    return requests;
}

std::unique_ptr<OrmelProxyImpl> buildProxyOnWorker(std::shared_ptr<midiUsb::MidiSystem> system)
{
    std::unique_ptr<OrmelProxyImpl> proxy;
    std::atomic<bool> done{false};
    std::thread worker(
        [&]
        {
            proxy = std::make_unique<OrmelProxyImpl>(system);
            done = true;
        });
    const bool finished = testsupport::pumpUntil([&] { return done.load(); }, std::chrono::seconds(10));
    worker.join();
    EXPECT_TRUE(finished);
    return proxy;
}
} // namespace devicelinktest
