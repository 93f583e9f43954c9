#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <functional>

// The sound engine's MIDI ports, as the preset exchange uses them.
class OrmelProxy
{
public:
    virtual ~OrmelProxy() = default;

    // Sends at once, on the calling thread.
    virtual void sendMidiMessage(const juce::MidiMessage& message) = 0;
    // Replaces the callback run, on the MIDI receive thread, for every
    // received message.
    virtual void addMessageReceivedCallback(std::function<void(const juce::MidiMessage&)> callback) = 0;
};
