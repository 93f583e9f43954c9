#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cstdint>
#include <vector>

namespace simulator
{
// The instrument's side of the SysEx protocol: the bytes of its answers,
// F0 and F7 included, written from the protocol's formats.
class SysExAnswerBuilder
{
public:
    using Bytes = std::vector<std::uint8_t>;
    struct TestLogEntry
    {
        int instructionId, timeout, resultCode;
    };
    struct Triple
    {
        int x, y, z;
    };
    struct TouchBlock
    {
        int key;
        Triple press, aftertouch, left, right;
    };
    struct KeyPositionEntry
    {
        int gridIndex, horizontal;
        Triple position;
    };

    static constexpr std::uint8_t manufacturer[] = {0x00, 0x6B, 0x2D};

    // F0, manufacturer, command, then the body, then F7.
    static Bytes frame(std::uint8_t command, const Bytes& body);
    static Bytes infoAnswer(std::uint8_t infoType, const juce::String& text);
    static Bytes testLogAnswer(int testId, const std::vector<TestLogEntry>& entries);
    static Bytes testLogWithoutResult(int testId);
    static Bytes touchCalibrationAnswer(const std::vector<TouchBlock>& blocks);
    static Bytes keyPositionAnswer(int key, const std::vector<KeyPositionEntry>& entries);

    static juce::MidiMessage toMessage(const Bytes& bytes);
    static Bytes toBytes(const juce::MidiMessage& message);
};
} // namespace simulator
