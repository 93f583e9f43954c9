#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace midiUsb
{
// Sees every message of the instrument's input, on the message thread, once
// the answer parser has read it.
class IncomingMidiMessageListener
{
public:
    virtual ~IncomingMidiMessageListener() = default;

    virtual void incomingMidiMessageReceived(const juce::MidiMessage& message) = 0;
};
} // namespace midiUsb
