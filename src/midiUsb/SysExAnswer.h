#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace midiUsb
{
// What one received MIDI message means for the request in flight, as the
// answer parser reads it. The caller acts on it: completes the request (if
// the answer belongs to it), then logs the problem, if any, at error level.
struct SysExAnswer
{
    enum class Kind
    {
        notSysEx,
        foreignManufacturer,
        info,             // 0D
        acknowledge,      // 11
        testLog,          // 07 01
        touchCalibration, // 07 04 01
        keyPosition,      // 07 04 02
        unknown           // any other command or sub-code, or too short to tell
    };

    enum class Outcome
    {
        none,       // completes nothing
        success,    // completes with `text`
        emptyResult // completes with an empty result: no result or an invalid answer
    };

    enum class RequestMatch
    {
        matches,
        otherRequest, // another kind of request, or other sub-codes
        otherKey,     // a key position answer for another key
        // An info answer to an info request that names another type: the
        // instrument does not promise to repeat the type, so it may still be
        // the answer to this request.
        mayStandIn
    };

    Kind kind = Kind::notSysEx;
    Outcome outcome = Outcome::none;
    juce::String text;
    // Set when the answer is shorter than what it announces: its outcome is
    // then an empty result.
    bool malformed = false;
    // To be logged at error level once the answer has been acted on.
    juce::String problem;
    // The command byte, when the message has one from the instrument's maker.
    std::optional<std::uint8_t> command;
    // What the answer repeats of its request, as far as the message holds
    // it: the type asked for of an info answer (04, 06 or 02), the
    // sub-codes of a data answer (01 id, 04 01 or 04 02 key).
    std::vector<std::uint8_t> echoedSubCodes;

    // Whether this answer belongs to the given request (its complete bytes,
    // F0 to F7): an info answer to the info request of the type it repeats,
    // a data answer to the data request whose sub-codes it repeats; an info
    // answer that names another type may stand in for an info request. A
    // truncated answer belongs to a request whose sub-codes agree with those
    // it still holds, so that it can complete that request as invalid; one
    // that holds none belongs to no request. Acknowledges, and answers of a
    // command that no request awaits, belong to no request. Reads no byte
    // outside either message.
    RequestMatch matchRequest(const std::uint8_t* request, std::size_t requestSize) const;

    bool belongsTo(const std::uint8_t* request, std::size_t requestSize) const
    {
        return matchRequest(request, requestSize) == RequestMatch::matches;
    }
};
} // namespace midiUsb
