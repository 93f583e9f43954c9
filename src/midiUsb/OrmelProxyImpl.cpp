#include "midiUsb/OrmelProxyImpl.h"

#include "common/FmtJuceString.h"
#include "midiUsb/PortNamePatterns.h"

#include <spdlog/spdlog.h>

#include <algorithm>

namespace
{
const juce::MidiDeviceInfo* findSoundEngine(const juce::Array<juce::MidiDeviceInfo>& devices,
                                            const std::array<std::string_view, 2>& names)
{
    const auto found = std::find_if(devices.begin(), devices.end(),
                                    [&names](const auto& device)
                                    { return midiUsb::PortNamePatterns::matchesAny(device.name, names); });
    return found == devices.end() ? nullptr : found;
}
} // namespace

const std::array<std::string_view, 2> OrmelProxyImpl::expectedDeviceInputNames =
    midiUsb::PortNamePatterns::soundEngine;
const std::array<std::string_view, 2> OrmelProxyImpl::expectedDeviceOutputNames =
    midiUsb::PortNamePatterns::soundEngine;

OrmelProxyImpl::OrmelProxyImpl(std::shared_ptr<midiUsb::MidiSystem> system,
                               const std::function<bool()>& stopRequested,
                               std::chrono::milliseconds listingWait)
    : midiSystem(std::move(system))
    , availableDevices(std::make_shared<MidiAvailableDevices>())
{
    if (!availableDevices->waitForFillFromMessageThread(midiSystem, stopRequested, listingWait) &&
        stopRequested && stopRequested())
    {
        status = juce::Result::fail("Operation aborted.");
        return;
    }
    if (openInput())
        openOutput();
}

OrmelProxyImpl::~OrmelProxyImpl()
{
    // No callback may run once the members start to go.
    if (midiInput != nullptr)
        midiInput->stop();
    midiOutput.reset();
    midiInput.reset();
}

std::optional<juce::String> OrmelProxyImpl::findPort(const juce::Array<juce::MidiDeviceInfo>& devices,
                                                     const std::array<std::string_view, 2>& names,
                                                     std::string_view direction)
{
    if (const auto* device = findSoundEngine(devices, names))
        return device->identifier;

    spdlog::warn("Could not find device named {} in midi {}s:\n{}", midiUsb::PortNamePatterns::joined(names),
                 direction, availableDevices->toString());
    status = juce::Result::fail(fmt::format("Could not find a midi {} corresponding to Ormel.", direction));
    return std::nullopt;
}

bool OrmelProxyImpl::openInput()
{
    const auto identifier = findPort(availableDevices->getInputs(), expectedDeviceInputNames, "input");
    if (!identifier)
        return false;

    midiInput = midiSystem->openInput(*identifier, *this);
    if (midiInput == nullptr)
    {
        spdlog::error("OS error when opening MIDI input {}",
                      midiUsb::PortNamePatterns::joined(expectedDeviceInputNames));
        status = juce::Result::fail("Could not open the Ormel DSP MIDI input port.");
        return false;
    }
    midiInput->start();
    return true;
}

void OrmelProxyImpl::openOutput()
{
    const auto identifier = findPort(availableDevices->getOutputs(), expectedDeviceOutputNames, "output");
    if (!identifier)
        return;

    midiOutput = midiSystem->openOutput(*identifier);
    if (midiOutput == nullptr)
    {
        spdlog::error("OS error when opening MIDI output {}",
                      midiUsb::PortNamePatterns::joined(expectedDeviceOutputNames));
        status = juce::Result::fail("Could not open the Ormel DSP MIDI output port.");
    }
}

void OrmelProxyImpl::sendMidiMessage(const juce::MidiMessage& message)
{
    if (midiOutput != nullptr)
        midiOutput->sendMessageNow(message);
}

void OrmelProxyImpl::addMessageReceivedCallback(std::function<void(const juce::MidiMessage&)> newCallback)
{
    auto previous = std::move(newCallback);
    {
        const std::lock_guard lock(mutex);
        callback.swap(previous);
    }
    // The previous callback is destroyed here, outside the lock.
}

void OrmelProxyImpl::midiMessageReceived(midiUsb::MidiInputPort&, const juce::MidiMessage& message)
{
    const std::lock_guard lock(mutex);
    if (callback)
        callback(message);
    else
        spdlog::warn("Incoming midi message ignored: message callback hasn't been set yet");
}
