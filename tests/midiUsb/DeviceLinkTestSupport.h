#pragma once

#include "VirtualMidiBus.h"
#include "common/Dictionary.h"
#include "common/SharedValueTable.h"
#include "midiUsb/OrmelProxyImpl.h"
#include "midiUsb/SysExCommand.h"
#include "support/LogCapture.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace devicelinktest
{
// The device values as the Core starts them.
inline void fillDeviceValues(SharedValueTable& values)
{
    const juce::String noVersion(std::string(Dictionary::noVersionFound));
    values[Dictionary::midiDevicesKey] = juce::var(juce::Array<juce::var>());
    values[Dictionary::selectedMidiDeviceKey] = juce::String();
    values[Dictionary::currentTaveloVersionKey] = noVersion;
    values[Dictionary::currentPirelMatrixVersionKey] = noVersion;
    values[Dictionary::casingSerialNumber] = juce::String(std::string(Dictionary::noSerialNumber));
}

inline juce::String text(const SharedValueTable& values, std::string_view key)
{
    return values.at(key).toString();
}

// The info requests sent on the bus, by the kind asked for.
inline std::vector<midiUsb::InfoRequestType> infoRequestsSent(const simulator::VirtualMidiBus& bus)
{
    std::vector<midiUsb::InfoRequestType> requests;
    for (const auto& message : bus.getSent())
        if (message.getRawDataSize() == 7 && message.getRawData()[4] == 0x0C)
            requests.push_back(static_cast<midiUsb::InfoRequestType>(message.getRawData()[5]));
    return requests;
}

// Builds the proxy on a worker thread, as the update thread does, while the message thread runs.
inline std::unique_ptr<OrmelProxyImpl> buildProxyOnWorker(std::shared_ptr<midiUsb::MidiSystem> system)
{
    std::unique_ptr<OrmelProxyImpl> proxy;
    std::atomic<bool> done{false};
    std::thread worker(
        [&]
        {
            proxy = std::make_unique<OrmelProxyImpl>(system);
            done = true;
        });
    EXPECT_TRUE(testsupport::pumpUntil([&] { return done.load(); }, std::chrono::seconds(10)));
    worker.join();
    return proxy;
}
} // namespace devicelinktest
