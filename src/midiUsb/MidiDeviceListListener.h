#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <vector>

namespace midiUsb
{
// Hears of every change of a polled MIDI device list.
class MidiDeviceListListener
{
public:
    virtual ~MidiDeviceListListener() = default;

    virtual void deviceListChanged(const std::vector<juce::MidiDeviceInfo>& devices) = 0;
};
} // namespace midiUsb
