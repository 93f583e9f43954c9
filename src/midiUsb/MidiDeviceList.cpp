#include "midiUsb/MidiDeviceList.h"

#include "utils/FmtJuceString.h"

#include <spdlog/spdlog.h>

#include <algorithm>

namespace midiUsb
{
MidiDeviceList::MidiDeviceList(Provider providerToUse, ChangeLog changeLogToUse)
    : provider(std::move(providerToUse))
    , changeLog(changeLogToUse)
{
}

MidiDeviceList::~MidiDeviceList()
{
    stopTimer();
}

bool MidiDeviceList::sameDevices(const std::vector<juce::MidiDeviceInfo>& first,
                                 const std::vector<juce::MidiDeviceInfo>& second)
{
    // juce::MidiDeviceInfo compares both fields, letter case included.
    return std::equal(first.begin(), first.end(), second.begin(), second.end());
}

void MidiDeviceList::timerCallback()
{
    auto polled = provider();
    if (sameDevices(polled, devices))
        return;

    devices = std::move(polled);
    if (changeLog == ChangeLog::logged)
        logDevices();
    sendChangeMessage(&MidiDeviceListListener::deviceListChanged, devices);
}

void MidiDeviceList::logDevices() const
{
    spdlog::info("Connected midi devices:\n");
    if (devices.empty())
        spdlog::info("No MIDI device found.");
    for (const auto& device : devices)
        spdlog::info("Name: {}, Identifier: {}\n", device.name, device.identifier);
}

void MidiDeviceList::listenerAdded(MidiDeviceListListener* listener) const
{
    listener->deviceListChanged(devices);
}

MidiDeviceList::Provider midiInputDeviceProvider(std::shared_ptr<MidiSystem> system)
{
    return [system = std::move(system)] { return system->getInputs(); };
}

MidiDeviceList::Provider midiOutputDeviceProvider(std::shared_ptr<MidiSystem> system)
{
    return [system = std::move(system)] { return system->getOutputs(); };
}
} // namespace midiUsb
