#pragma once

#include "midiUsb/MessageRequestQueue.h"
#include "midiUsb/SysExAnswer.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <functional>

namespace midiUsb
{
// What the MIDI device facade does with each message received on the
// instrument's input, on the message thread: reads it with the answer
// parser, completes the request in flight when the answer belongs to it,
// logs what was wrong, and hands every message on to the listeners.
class SysExAnswerHandler
{
public:
    using ListenerCall = std::function<void(const juce::MidiMessage&)>;

    SysExAnswerHandler(MessageRequestQueue& queue, ListenerCall callListeners);

    // Message thread. Returns the parser's reading, for the caller's tests.
    SysExAnswer handle(const juce::MidiMessage& message);

private:
    void completeRequest(const SysExAnswer& answer);

    MessageRequestQueue& queue;
    ListenerCall callListeners;
};
} // namespace midiUsb
