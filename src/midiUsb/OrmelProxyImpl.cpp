#include "midiUsb/OrmelProxyImpl.h"

#include "midiUsb/PortNamePatterns.h"
#include "utils/FmtJuceString.h"

#include <spdlog/spdlog.h>

#include <algorithm>

namespace
{
const juce::MidiDeviceInfo* findSoundEngine(const juce::Array<juce::MidiDeviceInfo>& devices)
{
    const auto found = std::find_if(devices.begin(), devices.end(),
                                    [](const auto& device) {
                                        return midiUsb::PortNamePatterns::matchesAny(
                                            device.name, midiUsb::PortNamePatterns::soundEngine);
                                    });
    return found == devices.end() ? nullptr : found;
}
} // namespace

const std::array<std::string_view, 2> OrmelProxyImpl::expectedDeviceInputNames =
    midiUsb::PortNamePatterns::soundEngine;
const std::array<std::string_view, 2> OrmelProxyImpl::expectedDeviceOutputNames =
    midiUsb::PortNamePatterns::soundEngine;

OrmelProxyImpl::OrmelProxyImpl(std::shared_ptr<midiUsb::MidiSystem> system)
    : midiSystem(std::move(system))
    , availableDevices(std::make_shared<MidiAvailableDevices>())
{
    availableDevices->waitForFillFromMessageThread(midiSystem);
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

bool OrmelProxyImpl::openInput()
{
    const auto inputs = availableDevices->getInputs();
    const auto* device = findSoundEngine(inputs);
    const auto patterns = midiUsb::PortNamePatterns::joined(expectedDeviceInputNames);
    if (device == nullptr)
    {
        spdlog::warn("Could not find device named {} in midi inputs:\n{}", patterns,
                     availableDevices->toString());
        status = juce::Result::fail("Could not find a midi input corresponding to Ormel.");
        return false;
    }

    midiInput = midiSystem->openInput(device->identifier, *this);
    if (midiInput == nullptr)
    {
        spdlog::error("OS error when opening MIDI input {}", patterns);
        status = juce::Result::fail("Could not open the Ormel DSP MIDI input port.");
        return false;
    }
    midiInput->start();
    return true;
}

void OrmelProxyImpl::openOutput()
{
    const auto outputs = availableDevices->getOutputs();
    const auto* device = findSoundEngine(outputs);
    const auto patterns = midiUsb::PortNamePatterns::joined(expectedDeviceOutputNames);
    if (device == nullptr)
    {
        spdlog::warn("Could not find device named {} in midi outputs:\n{}", patterns,
                     availableDevices->toString());
        status = juce::Result::fail("Could not find a midi output corresponding to Ormel.");
        return;
    }

    midiOutput = midiSystem->openOutput(device->identifier);
    if (midiOutput == nullptr)
    {
        spdlog::error("OS error when opening MIDI output {}", patterns);
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
