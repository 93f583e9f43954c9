#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <vector>

namespace midiUsb
{
// Hears of each filtering of the MIDI inputs down to the instrument's ports.
class FilteredMidiDeviceListListener
{
public:
    virtual ~FilteredMidiDeviceListListener() = default;

    virtual void filteredMidiDeviceListChanged(const std::vector<juce::MidiDeviceInfo>& devices) = 0;
};
} // namespace midiUsb
