#include "SysExAnswerBuilder.h"

#include <cstdlib>

namespace simulator
{
namespace
{
constexpr std::uint8_t sysExStart = 0xF0;
constexpr std::uint8_t sysExEnd = 0xF7;
constexpr std::uint8_t dataAnswer = 0x07;
constexpr std::uint8_t infoAnswerCommand = 0x0D;
constexpr std::uint8_t acknowledgeCommand = 0x11;
constexpr std::uint8_t infoAnswerMarker = 0x05;

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

void appendTriple(Bytes& bytes, const SysExAnswerBuilder::Triple& triple)
{
    for (const int value : {triple.x, triple.y, triple.z})
        appendSigned(bytes, value, 3);
}
} // namespace

SysExAnswerBuilder::Bytes SysExAnswerBuilder::frame(std::uint8_t command, const Bytes& body)
{
    Bytes bytes{sysExStart, manufacturer[0], manufacturer[1], manufacturer[2], command};
    bytes.insert(bytes.end(), body.begin(), body.end());
    bytes.push_back(sysExEnd);
    return bytes;
}

SysExAnswerBuilder::Bytes SysExAnswerBuilder::infoAnswer(std::uint8_t infoType, const juce::String& text)
{
    // The type is echoed; the byte before the text is a spare.
    Bytes body{infoType, infoAnswerMarker, 0x00};
    for (const auto character : text)
        body.push_back(low7(static_cast<int>(character)));
    return frame(infoAnswerCommand, body);
}

SysExAnswerBuilder::Bytes SysExAnswerBuilder::acknowledge()
{
    return frame(acknowledgeCommand, {0x04});
}

SysExAnswerBuilder::Bytes SysExAnswerBuilder::testLogAnswer(int testId,
                                                            const std::vector<TestLogEntry>& entries)
{
    Bytes body{0x01, low7(testId), low7(static_cast<int>(entries.size()))};
    for (const auto& entry : entries)
    {
        for (const int value : {entry.instructionId, entry.timeout})
        {
            body.push_back(low7(value >> 7));
            body.push_back(low7(value));
        }
        body.push_back(low7(entry.resultCode));
    }
    return frame(dataAnswer, body);
}

SysExAnswerBuilder::Bytes SysExAnswerBuilder::testLogWithoutResult(int testId)
{
    return frame(dataAnswer, {0x01, low7(testId)});
}

SysExAnswerBuilder::Bytes SysExAnswerBuilder::touchCalibrationAnswer(const std::vector<TouchBlock>& blocks)
{
    Bytes body{0x04, 0x01, low7(static_cast<int>(blocks.size()))};
    for (const auto& block : blocks)
    {
        body.push_back(low7(block.key));
        appendTriple(body, block.press);
        appendTriple(body, block.aftertouch);
        appendTriple(body, block.left);
        appendTriple(body, block.right);
    }
    return frame(dataAnswer, body);
}

SysExAnswerBuilder::Bytes SysExAnswerBuilder::keyPositionAnswer(int key,
                                                                const std::vector<KeyPositionEntry>& entries)
{
    Bytes body{0x04, 0x02, low7(key), low7(static_cast<int>(entries.size()))};
    for (const auto& entry : entries)
    {
        body.push_back(low7(entry.gridIndex));
        appendSigned(body, entry.horizontal, 1);
        appendTriple(body, entry.position);
    }
    return frame(dataAnswer, body);
}

juce::MidiMessage SysExAnswerBuilder::toMessage(const Bytes& bytes)
{
    return juce::MidiMessage(bytes.data(), static_cast<int>(bytes.size()));
}

SysExAnswerBuilder::Bytes SysExAnswerBuilder::toBytes(const juce::MidiMessage& message)
{
    const auto* data = message.getRawData();
    return Bytes(data, data + message.getRawDataSize());
}
} // namespace simulator
