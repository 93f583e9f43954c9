#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cstdint>
#include <functional>

// One queued SysEx request and the three ways it can end: exactly one of the
// callbacks runs, on the message thread.
struct MidiOutputMessage
{
    juce::MidiMessage message;
    std::function<void()> onTimeout;
    std::function<void(juce::String const&)> onSuccess;
    std::function<void()> onEmptyResult;
    // An answer cut short or holding less than it announces; when unset, such
    // an answer ends the request like an empty one.
    std::function<void()> onMalformedResult;
    bool sent = false;
    bool completed = false;
    // Given by the queue, so that a flag is never set on a request that
    // took the place of the one that was looked at.
    std::uint64_t sequenceNumber = 0;
};
