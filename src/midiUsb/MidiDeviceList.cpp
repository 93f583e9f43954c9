#include "midiUsb/MidiDeviceList.h"

#include "common/FmtJuceString.h"

#include <spdlog/spdlog.h>

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

void MidiDeviceList::timerCallback()
{
    auto polled = provider();
    // juce::MidiDeviceInfo compares both fields, letter case included.
    if (polled == devices)
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
