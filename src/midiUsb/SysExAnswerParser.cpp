#include "midiUsb/SysExAnswerParser.h"

#include "common/CsvUtils.h"
#include "midiUsb/SysExCommand.h"
#include "midiUsb/SysExFactory.h"
#include "midiUsb/SysExNumberCoding.h"

#include <fmt/format.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace midiUsb
{
namespace
{
// Offsets count from F0. Like the framework's view of SysEx data, the byte
// before the last one is taken as the last data byte: the last is F7.
class AnswerBytes
{
public:
    AnswerBytes(const std::uint8_t* bytesToRead, std::size_t sizeToRead)
        : bytes(bytesToRead)
        , size(sizeToRead)
    {
    }

    // Whether offsets [offset, offset + count) all lie in the data part.
    bool holds(std::size_t offset, std::size_t count = 1) const
    {
        return size >= 2 && offset >= 1 && count <= size - 1 && offset <= size - 1 - count;
    }

    std::uint8_t at(std::size_t offset) const { return bytes[offset]; }
    const std::uint8_t* from(std::size_t offset) const { return bytes + offset; }
    std::size_t length() const { return size; }

private:
    const std::uint8_t* bytes;
    std::size_t size;
};

namespace offset
{
constexpr std::size_t manufacturer = 1;
constexpr std::size_t command = SysExFraming::commandOffset;
constexpr std::size_t subCode = SysExFraming::firstSubCodeOffset;
constexpr std::size_t secondSubCode = 6;
constexpr std::size_t infoMarker = 6;
constexpr std::size_t infoText = 8;
constexpr std::size_t testId = 6;
constexpr std::size_t testCount = 7;
constexpr std::size_t testEntries = 8;
constexpr std::size_t touchCount = 7;
constexpr std::size_t touchBlocks = 8;
constexpr std::size_t key = 7;
constexpr std::size_t keyCount = 8;
constexpr std::size_t keyEntries = 9;
} // namespace offset

constexpr std::size_t testEntrySize = 5;
constexpr std::size_t touchBlockSize = 49;
constexpr std::size_t keyEntrySize = 15;

std::string_view nameIn(const SysExFactory::Table& table, unsigned int id)
{
    return SysExFactory::find(table, id).value_or(SysExAnswerParser::unknownName);
}

void succeed(SysExAnswer& answer, juce::String text)
{
    answer.outcome = SysExAnswer::Outcome::success;
    answer.text = std::move(text);
}

void failMalformed(SysExAnswer& answer)
{
    answer.outcome = SysExAnswer::Outcome::emptyResult;
    answer.malformed = true;
    answer.text = {};
    answer.problem = SysExAnswerParser::malformedText;
}

void readInfo(const AnswerBytes& in, SysExAnswer& answer)
{
    answer.kind = SysExAnswer::Kind::info;
    if (in.holds(offset::subCode))
        answer.echoedSubCodes.push_back(in.at(offset::subCode));
    if (!in.holds(offset::infoMarker))
        return failMalformed(answer);
    if (in.at(offset::infoMarker) != SysExSubCode::infoText)
    {
        answer.outcome = SysExAnswer::Outcome::emptyResult;
        return;
    }

    std::string text;
    for (auto position = offset::infoText; in.holds(position); ++position)
    {
        const auto byte = in.at(position);
        if (byte >= 0x01 && byte <= 0x7F)
            text.push_back(static_cast<char>(byte));
    }
    succeed(answer, juce::String(text));
}

void readAcknowledge(const AnswerBytes& in, SysExAnswer& answer)
{
    answer.kind = SysExAnswer::Kind::acknowledge;
    if (!in.holds(offset::subCode))
        return failMalformed(answer);
    if (in.at(offset::subCode) == SysExSubCode::acknowledged)
        succeed(answer, {});
}

void readTestLog(const AnswerBytes& in, SysExAnswer& answer)
{
    const unsigned int testId = in.at(offset::testId);
    const auto testName = nameIn(SysExFactory::testIDs, testId);

    if (!in.holds(offset::testCount))
        return succeed(answer, juce::String(fmt::format("No result for test {:s}\n", testName)));

    const std::size_t count = in.at(offset::testCount);
    if (!in.holds(offset::testEntries, count * testEntrySize))
        return failMalformed(answer);

    std::string text = std::string(41, '=') + "\n";
    text += fmt::format("Test : ID {:d}, {:s}\n", testId, testName);
    for (std::size_t i = 0; i < count; ++i)
    {
        const auto* entry = in.from(offset::testEntries + i * testEntrySize);
        const auto instruction = SysExNumberCoding::unsigned14(entry);
        const auto timeout = SysExNumberCoding::unsigned14(entry + 2);
        const unsigned int result = entry[4];
        text +=
            fmt::format("Instruction : ID {:d} ; {:s} with timeout = {:d} --> result = {:s}\n", instruction,
                        nameIn(SysExFactory::instructionIDs, static_cast<unsigned int>(instruction)), timeout,
                        nameIn(SysExFactory::status, result));
    }
    succeed(answer, juce::String(text));
}

juce::String touchRow(int key, const char* label, const std::uint8_t* numbers)
{
    return CsvUtils::makeCSVline({juce::String(key), label,
                                  juce::String(SysExNumberCoding::signed21(numbers)),
                                  juce::String(SysExNumberCoding::signed21(numbers + 4)),
                                  juce::String(SysExNumberCoding::signed21(numbers + 8))});
}

void readTouchCalibration(const AnswerBytes& in, SysExAnswer& answer)
{
    if (!in.holds(offset::touchCount))
        return failMalformed(answer);
    const std::size_t count = in.at(offset::touchCount);
    if (!in.holds(offset::touchBlocks, count * touchBlockSize))
        return failMalformed(answer);

    static constexpr const char* rowLabels[] = {"press", "aftertouch", "left", "right"};
    constexpr std::size_t rowSize = 3 * SysExNumberCoding::signed21Size;

    juce::String lines;
    for (std::size_t i = 0; i < count; ++i)
    {
        const auto* block = in.from(offset::touchBlocks + i * touchBlockSize);
        if (block[0] != i)
        {
            // No line of a block out of sequence is trusted.
            answer.outcome = SysExAnswer::Outcome::emptyResult;
            answer.problem = SysExAnswerParser::blockKeyMismatchText;
            return;
        }
        for (std::size_t row = 0; row < std::size(rowLabels); ++row)
            lines += touchRow(static_cast<int>(i), rowLabels[row], block + 1 + row * rowSize);
    }
    succeed(answer, lines);
}

void readKeyPosition(const AnswerBytes& in, SysExAnswer& answer)
{
    const int key = in.at(offset::key);
    if (!in.holds(offset::keyCount))
        return failMalformed(answer);
    const std::size_t count = in.at(offset::keyCount);
    if (!in.holds(offset::keyEntries, count * keyEntrySize))
        return failMalformed(answer);

    juce::String lines;
    for (std::size_t i = 0; i < count; ++i)
    {
        const auto* entry = in.from(offset::keyEntries + i * keyEntrySize);
        lines += CsvUtils::makeCSVline({juce::String(key), juce::String(static_cast<int>(entry[0])),
                                        juce::String(SysExNumberCoding::signed7(entry + 1)),
                                        juce::String(SysExNumberCoding::signed21(entry + 3)),
                                        juce::String(SysExNumberCoding::signed21(entry + 7)),
                                        juce::String(SysExNumberCoding::signed21(entry + 11))});
    }
    succeed(answer, lines);
}

// Data answers repeat their request's sub-codes: 01 id, 04 01, 04 02 key.
void readData(const AnswerBytes& in, SysExAnswer& answer)
{
    answer.kind = SysExAnswer::Kind::unknown;
    answer.outcome = SysExAnswer::Outcome::emptyResult;
    if (!in.holds(offset::subCode))
        return failMalformed(answer);

    const auto subCode = in.at(offset::subCode);
    answer.echoedSubCodes.push_back(subCode);
    if (subCode != SysExSubCode::testLog && subCode != SysExSubCode::calibration)
        return;

    if (subCode == SysExSubCode::testLog)
        answer.kind = SysExAnswer::Kind::testLog;
    if (!in.holds(offset::secondSubCode))
        return failMalformed(answer);
    const auto secondSubCode = in.at(offset::secondSubCode);
    answer.echoedSubCodes.push_back(secondSubCode);

    if (subCode == SysExSubCode::testLog)
        return readTestLog(in, answer);

    if (secondSubCode == SysExSubCode::touchCalibration)
    {
        answer.kind = SysExAnswer::Kind::touchCalibration;
        return readTouchCalibration(in, answer);
    }
    if (secondSubCode == SysExSubCode::keyPositionCalibration)
    {
        answer.kind = SysExAnswer::Kind::keyPosition;
        if (!in.holds(offset::key))
            return failMalformed(answer);
        answer.echoedSubCodes.push_back(in.at(offset::key));
        return readKeyPosition(in, answer);
    }
}
} // namespace

SysExAnswer SysExAnswerParser::parse(const std::uint8_t* bytes, std::size_t size)
{
    SysExAnswer answer;
    if (bytes == nullptr || size == 0 || bytes[0] != SysExFraming::start)
        return answer;

    const AnswerBytes in(bytes, size);
    answer.kind = SysExAnswer::Kind::unknown;
    if (!in.holds(offset::manufacturer, std::size(SysExFraming::manufacturerId)))
    {
        failMalformed(answer);
        return answer;
    }
    if (!std::equal(std::begin(SysExFraming::manufacturerId), std::end(SysExFraming::manufacturerId),
                    in.from(offset::manufacturer)))
    {
        answer.kind = SysExAnswer::Kind::foreignManufacturer;
        answer.problem = foreignManufacturerText;
        return answer;
    }
    if (!in.holds(offset::command))
    {
        failMalformed(answer);
        return answer;
    }

    const auto command = in.at(offset::command);
    answer.command = command;
    if (command == static_cast<std::uint8_t>(SysExCommand::infoAnswer))
        readInfo(in, answer);
    else if (command == static_cast<std::uint8_t>(SysExCommand::acknowledge))
        readAcknowledge(in, answer);
    else if (command == static_cast<std::uint8_t>(SysExCommand::dataAnswer))
        readData(in, answer);
    else
        answer.outcome = SysExAnswer::Outcome::emptyResult;
    return answer;
}
} // namespace midiUsb
