#pragma once

#include "midiUsb/MidiInputPort.h"
#include "midiUsb/MidiInputReceiver.h"
#include "midiUsb/MidiOutputPort.h"

#include <juce_audio_devices/juce_audio_devices.h>

#include <memory>
#include <vector>

namespace midiUsb
{
// The computer's MIDI ports: everything that lists, opens or sends MIDI goes
// through this, so that tests can put a virtual bus in the system's place.
class MidiSystem
{
public:
    virtual ~MidiSystem() = default;

    // The ports present now, as (name, identifier), in the platform's order.
    virtual std::vector<juce::MidiDeviceInfo> getInputs() const = 0;
    virtual std::vector<juce::MidiDeviceInfo> getOutputs() const = 0;

    // Empty when the port cannot be opened. The receiver must outlive the
    // port; the input delivers nothing before start().
    virtual std::unique_ptr<MidiInputPort> openInput(const juce::String& identifier,
                                                     MidiInputReceiver& receiver) = 0;
    virtual std::unique_ptr<MidiOutputPort> openOutput(const juce::String& identifier) = 0;
};
} // namespace midiUsb
