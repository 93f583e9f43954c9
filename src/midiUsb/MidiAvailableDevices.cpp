#include "midiUsb/MidiAvailableDevices.h"

#include "common/FmtJuceString.h"

#include <fmt/format.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <chrono>

namespace
{
juce::Array<juce::MidiDeviceInfo> toArray(const std::vector<juce::MidiDeviceInfo>& devices)
{
    juce::Array<juce::MidiDeviceInfo> array;
    for (const auto& device : devices)
        array.add(device);
    return array;
}
} // namespace

bool MidiAvailableDevices::waitForFillFromMessageThread(std::shared_ptr<midiUsb::MidiSystem> system,
                                                        const std::function<bool()>& stopRequested,
                                                        std::chrono::milliseconds limit)
{
    spdlog::debug("Waiting for the MIDI ports to be listed.");
    juce::MessageManager::callAsync([snapshot = shared_from_this(), system = std::move(system)]
                                    { snapshot->fill(*system); });

    // The stop flag has no way to wake this wait: looked at between slices.
    constexpr auto stopSlice = std::chrono::milliseconds(20);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::unique_lock lock(mutex);
    while (!filled && std::chrono::steady_clock::now() < deadline && !(stopRequested && stopRequested()))
        filledCondition.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + stopSlice),
                                   [this] { return filled; });
    return filled;
}

void MidiAvailableDevices::fill(const midiUsb::MidiSystem& system)
{
    auto listedInputs = toArray(system.getInputs());
    auto listedOutputs = toArray(system.getOutputs());
    {
        const std::lock_guard lock(mutex);
        inputs = std::move(listedInputs);
        outputs = std::move(listedOutputs);
        filled = true;
    }
    filledCondition.notify_one();
}

juce::Array<juce::MidiDeviceInfo> MidiAvailableDevices::getInputs() const
{
    const std::lock_guard lock(mutex);
    return inputs;
}

juce::Array<juce::MidiDeviceInfo> MidiAvailableDevices::getOutputs() const
{
    const std::lock_guard lock(mutex);
    return outputs;
}

std::string MidiAvailableDevices::toString() const
{
    return fmt::format("{}\n{}", getStrFromMidiDeviceInfos("Available midi outputs: {}", getOutputs()),
                       getStrFromMidiDeviceInfos("Available midi inputs: {}", getInputs()));
}

std::string MidiAvailableDevices::getStrFromMidiDeviceInfos(std::string_view format,
                                                            const juce::Array<juce::MidiDeviceInfo>& devices)
{
    std::vector<juce::String> names;
    for (const auto& device : devices)
        names.push_back(device.name);
    return fmt::format(fmt::runtime(format), fmt::join(names, ", "));
}
