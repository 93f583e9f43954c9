#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cstdint>
#include <functional>
#include <optional>

// One queued SysEx request and the three ways it can end: exactly one of the
// callbacks runs, on the message thread.
struct MidiOutputMessage
{
    // An answer as the parser read it, ready to complete a request.
    struct Answer
    {
        enum class Outcome
        {
            success,
            emptyResult,
            malformed
        };

        Outcome outcome = Outcome::emptyResult;
        juce::String text;
    };

    juce::MidiMessage message;
    std::function<void()> onTimeout;
    std::function<void(juce::String const&)> onSuccess;
    std::function<void()> onEmptyResult;
    // An answer cut short or holding less than it announces; when unset, such
    // an answer ends the request like an empty one.
    std::function<void()> onMalformedResult;
    bool sent = false;
    bool completed = false;
    // The first answer that did not name this request but may stand in for
    // its own: it completes the request at its time-out, unless an answer
    // naming it comes first.
    std::optional<Answer> standIn;
    // Given by the queue, so that a flag is never set on a request that
    // took the place of the one that was looked at.
    std::uint64_t sequenceNumber = 0;
};
