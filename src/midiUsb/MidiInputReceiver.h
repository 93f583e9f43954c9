#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace midiUsb
{
class MidiInputPort;

// Receives what arrives on an open MIDI input. Called on the port's receive
// thread, never on the message thread nor on a sender's thread; each SysEx
// message arrives whole, in the order it was received.
class MidiInputReceiver
{
public:
    virtual ~MidiInputReceiver() = default;

    virtual void midiMessageReceived(MidiInputPort& source, const juce::MidiMessage& message) = 0;
};
} // namespace midiUsb
