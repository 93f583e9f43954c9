#include "SysExAnswerBuilder.h"

#include <cstdlib>

namespace simulator
{
namespace
{
constexpr std::uint8_t dataAnswer = 0x07;
using Bytes = SysExAnswerBuilder::Bytes;

std::uint8_t low7(int value)
{
    return static_cast<std::uint8_t>(value & 0x7F);
}

// Sign byte (01: negative), then the magnitude in `groups` 7-bit groups.
void appendSigned(Bytes& bytes, int value, int groups)
{
    bytes.push_back(value < 0 ? 0x01 : 0x00);
    for (int group = groups - 1; group >= 0; --group)
        bytes.push_back(low7(std::abs(value) >> (7 * group)));
}

void appendTriples(Bytes& bytes, std::initializer_list<SysExAnswerBuilder::Triple> triples)
{
    for (const auto& triple : triples)
        for (const int value : {triple.x, triple.y, triple.z})
            appendSigned(bytes, value, 3);
}
} // namespace

Bytes SysExAnswerBuilder::frame(std::uint8_t command, const Bytes& body)
{
    Bytes bytes{0xF0, manufacturer[0], manufacturer[1], manufacturer[2], command};
    bytes.insert(bytes.end(), body.begin(), body.end());
    bytes.push_back(0xF7);
    return bytes;
}

Bytes SysExAnswerBuilder::infoAnswer(std::uint8_t infoType, const juce::String& text)
{
    // The type is echoed, then the text marker 05 and a spare byte.
    Bytes body{infoType, 0x05, 0x00};
    for (const auto character : text)
        body.push_back(low7(static_cast<int>(character)));
    return frame(0x0D, body);
}

Bytes SysExAnswerBuilder::testLogAnswer(int testId, const std::vector<TestLogEntry>& entries)
{
    Bytes body{0x01, low7(testId), low7(static_cast<int>(entries.size()))};
    for (const auto& entry : entries)
    {
        for (const int value : {entry.instructionId, entry.timeout})
            body.insert(body.end(), {low7(value >> 7), low7(value)});
        body.push_back(low7(entry.resultCode));
    }
    return frame(dataAnswer, body);
}

Bytes SysExAnswerBuilder::testLogWithoutResult(int testId)
{
    return frame(dataAnswer, {0x01, low7(testId)});
}

Bytes SysExAnswerBuilder::touchCalibrationAnswer(const std::vector<TouchBlock>& blocks)
{
    Bytes body{0x04, 0x01, low7(static_cast<int>(blocks.size()))};
    for (const auto& block : blocks)
    {
        body.push_back(low7(block.key));
        appendTriples(body, {block.press, block.aftertouch, block.left, block.right});
    }
    return frame(dataAnswer, body);
}

Bytes SysExAnswerBuilder::keyPositionAnswer(int key, const std::vector<KeyPositionEntry>& entries)
{
    Bytes body{0x04, 0x02, low7(key), low7(static_cast<int>(entries.size()))};
    for (const auto& entry : entries)
    {
        body.push_back(low7(entry.gridIndex));
        appendSigned(body, entry.horizontal, 1);
        appendTriples(body, {entry.position});
    }
    return frame(dataAnswer, body);
}

juce::MidiMessage SysExAnswerBuilder::toMessage(const Bytes& bytes)
{
    return juce::MidiMessage(bytes.data(), static_cast<int>(bytes.size()));
}

Bytes SysExAnswerBuilder::toBytes(const juce::MidiMessage& message)
{
    return Bytes(message.getRawData(), message.getRawData() + message.getRawDataSize());
}
} // namespace simulator
