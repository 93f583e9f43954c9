#pragma once

#include "midiUsb/SysExAnswer.h"

#include <cstddef>
#include <cstdint>

namespace midiUsb
{
// Reads one received MIDI message (its complete bytes, F0 to F7 for SysEx)
// as an answer of the instrument. Pure: it keeps nothing between calls,
// touches no queue and no thread, and reads no byte outside the message,
// whatever the message holds.
class SysExAnswerParser
{
public:
    SysExAnswerParser() = delete;

    static SysExAnswer parse(const std::uint8_t* bytes, std::size_t size);

    static constexpr const char* foreignManufacturerText =
        "The Manufacturer ID of your device does not match Quarnel's";
    static constexpr const char* blockKeyMismatchText =
        "The expected key and the key in the message do not correspond.";
    // For the caller that finds a key position answer for another key than
    // the request's (see SysExAnswer::matchRequest).
    static constexpr const char* requestedKeyMismatchText =
        "The requested key in the message send and the key in the message received do not correspond.";
    static constexpr const char* malformedText = "The SysEx answer is shorter than what it announces.";
    // The name shown for an id missing from the name tables.
    static constexpr const char* unknownName = "Unknown";
};
} // namespace midiUsb
