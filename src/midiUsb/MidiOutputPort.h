#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace midiUsb
{
// An open MIDI output. sendMessageNow may be called from any thread: whole
// messages go out one after the other, never interleaved.
class MidiOutputPort
{
public:
    virtual ~MidiOutputPort() = default;

    virtual juce::String getName() const = 0;
    virtual juce::String getIdentifier() const = 0;

    virtual void sendMessageNow(const juce::MidiMessage& message) = 0;
};
} // namespace midiUsb
