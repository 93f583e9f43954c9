#include "midiUsb/FilteredMidiDeviceList.h"

namespace midiUsb
{
void FilteredMidiDeviceList::update(std::vector<juce::MidiDeviceInfo> filtered)
{
    devices = std::move(filtered);
    sendChangeMessage(&FilteredMidiDeviceListListener::filteredMidiDeviceListChanged, devices);
}

void FilteredMidiDeviceList::listenerAdded(FilteredMidiDeviceListListener* listener) const
{
    listener->filteredMidiDeviceListChanged(devices);
}
} // namespace midiUsb
