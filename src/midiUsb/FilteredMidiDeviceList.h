#pragma once

#include "common/Broadcaster.h"
#include "midiUsb/FilteredMidiDeviceListListener.h"

#include <vector>

namespace midiUsb
{
// The instrument's ports among the MIDI inputs, as the device facade last
// filtered them.
class FilteredMidiDeviceList : public utils::Broadcaster<FilteredMidiDeviceListListener>
{
public:
    const std::vector<juce::MidiDeviceInfo>& getDevices() const noexcept { return devices; }

    // Stores the new filtering and tells every listener, changed or not.
    void update(std::vector<juce::MidiDeviceInfo> filtered);

protected:
    void listenerAdded(FilteredMidiDeviceListListener* listener) const override;

private:
    std::vector<juce::MidiDeviceInfo> devices;
};
} // namespace midiUsb
