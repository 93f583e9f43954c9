#include "InstrumentData.h"
#include "midiUsb/SysExAnswerHandler.h"
#include "midiUsb/SysExAnswerParser.h"
#include "midiUsb/SysExRequests.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
using midiUsb::InfoRequestType;
using midiUsb::SysExAnswer;
using midiUsb::SysExAnswerParser;
using midiUsb::SysExRequests;
using B = simulator::SysExAnswerBuilder;
using Bytes = B::Bytes;
using Strings = std::vector<std::string>;
using juce::String;
using Kind = SysExAnswer::Kind;
using Outcome = SysExAnswer::Outcome;
using Match = SysExAnswer::RequestMatch;

// Exact-size heap copies, so that the address sanitizer sees any read past the end.
std::unique_ptr<std::uint8_t[]> exactCopy(const Bytes& bytes)
{
    auto copy = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), copy.get());
    return copy;
}

SysExAnswer parse(const Bytes& bytes)
{
    return SysExAnswerParser::parse(exactCopy(bytes).get(), bytes.size());
}

const std::string line = std::string(41, '=') + "\n";
const std::string malformed = SysExAnswerParser::malformedText;

// The update-mode messages are checked byte for byte by the simulated instrument.
TEST(SysExRequests, ByteForByte)
{
    const std::pair<juce::MidiMessage, const char*> rows[] = {
        {SysExRequests::infoRequest(InfoRequestType::firmwareVersion), "F0 00 6B 2D 0C 04 F7"},
        {SysExRequests::testLogRequest(13), "F0 00 6B 2D 06 01 0D F7"},
        {SysExRequests::keyPositionCalibrationRequest(0xF7), "F0 00 6B 2D 06 04 02 77 F7"},
    };
    for (const auto& [message, bytes] : rows)
        EXPECT_EQ(String::toHexString(message.getRawData(), message.getRawDataSize()).toUpperCase(), bytes);
}

struct ParseRow
{
    const char* name;
    Bytes message;
    Kind kind;
    Outcome outcome;
    std::string text = {};
    std::string problem = {};
};

TEST(SysExAnswerParser, DispatchesOnCommandAndSubCodes)
{
    // clang-format off
    const ParseRow rows[] = {
        {"note on", {0x90, 0x3C, 0x64}, Kind::notSysEx, Outcome::none},
        {"foreign manufacturer", {0xF0, 0x00, 0x20, 0x29, 0x0D, 0x04, 0x05, 0x00, 0x41, 0xF7}, Kind::foreignManufacturer,
         Outcome::none, "", SysExAnswerParser::foreignManufacturerText},
        {"info without text marker", B::frame(0x0D, {0x04, 0x06, 0x00}), Kind::info, Outcome::emptyResult},
        {"info skips 00 and bytes of 80 and more", B::frame(0x0D, {0x02, 0x05, 0x33, 'A', 0x00, 'B', 0x80, 0xFF, 0x7F, '1'}),
         Kind::info, Outcome::success, "AB\x7F" "1"},
        {"the last byte is taken for F7", {0xF0, 0x00, 0x6B, 0x2D, 0x0D, 0x04, 0x05, 0x00, '1', 0x41}, Kind::info,
         Outcome::success, "1"},
        {"test log names", B::testLogAnswer(13, {{405, 10, 1}, {907, 0, 2}}), Kind::testLog, Outcome::success,
         line + "Test : ID 13, Grouped LED\n"
                "Instruction : ID 405 ; press button Previous octave with timeout = 10 --> result = Success\n"
                "Instruction : ID 907 ; audio test stop with timeout = 0 --> result = Test not found\n"},
        {"test log, ids missing from the tables", B::testLogAnswer(14, {{602, 1, 3}}), Kind::testLog, Outcome::success,
         line + "Test : ID 14, Unknown\nInstruction : ID 602 ; Unknown with timeout = 1 --> result = Unknown\n"},
        {"touch calibration, four lines a key",
         B::touchCalibrationAnswer({{0, {120, -5, 0}, {16384, 7, -1}, {0, 0, 0}, {2097151, -2097151, 1}}}),
         Kind::touchCalibration, Outcome::success,
         "0,press,120,-5,0\n0,aftertouch,16384,7,-1\n0,left,0,0,0\n0,right,2097151,-2097151,1\n"},
        {"key position, one line an entry", B::keyPositionAnswer(12, {{0, -5, {120, -5, 0}}, {7, 3, {2097151, -2097151, 16384}}}),
         Kind::keyPosition, Outcome::success, "12,0,-5,120,-5,0\n12,7,3,2097151,-2097151,16384\n"},
        // Signs: only 01 means negative, and a negated zero prints 0.
        {"number coding", B::frame(0x07, {0x04, 0x02, 0x03, 0x01, 0x7F, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x02, 0x00,
                                       0x00, 0x07, 0x01, 0x00, 0x00, 0x00}),
         Kind::keyPosition, Outcome::success, "3,127,0,16384,7,0\n"},
        {"another command", B::frame(0x20, {0x01}), Kind::unknown, Outcome::emptyResult},
        {"no command", {0xF0, 0x00, 0x6B, 0x2D, 0xF7}, Kind::unknown, Outcome::emptyResult, "", malformed},
        {"key position without count", B::frame(0x07, {0x04, 0x02, 0x0C}), Kind::keyPosition, Outcome::emptyResult, "", malformed},
    };
    // clang-format on
    for (const auto& row : rows)
    {
        const auto answer = parse(row.message);
        EXPECT_EQ(answer.kind, row.kind) << row.name;
        EXPECT_EQ(answer.outcome, row.outcome) << row.name;
        EXPECT_EQ(answer.text.toStdString(), row.text) << row.name;
        EXPECT_EQ(answer.problem.toStdString(), row.problem) << row.name;
        EXPECT_EQ(answer.malformed, row.problem == malformed) << row.name;
    }
}

// Cut anywhere after its count byte, F7 kept, a counted answer yields no line at all.
TEST(SysExAnswerParser, ACountedAnswerCutAnywhereIsInvalid)
{
    const auto typical = simulator::InstrumentData::makeTypical();
    for (const auto& whole : {B::touchCalibrationAnswer(typical.touchCalibration),
                              B::keyPositionAnswer(3, typical.keyPositions.at(3)),
                              B::testLogAnswer(2, {{500, 1, 1}, {501, 1, 1}})})
        for (std::size_t dropped = 1; dropped + 9 < whole.size(); ++dropped)
        {
            Bytes cut(whole.begin(), whole.end() - 1 - static_cast<std::ptrdiff_t>(dropped));
            cut.push_back(0xF7);
            const auto answer = parse(cut);
            ASSERT_TRUE(answer.malformed && answer.text.isEmpty())
                << dropped << " dropped of " << whole.size();
        }
}

TEST(SysExAnswerMatch, AnAnswerBelongsOnlyToTheRequestItAnswers)
{
    using R = SysExRequests;
    const auto firmware = B::toBytes(R::infoRequest(InfoRequestType::firmwareVersion));
    const auto key11 = B::toBytes(R::keyPositionCalibrationRequest(11));
    const auto log5 = B::testLogAnswer(5, {{405, 10, 1}});
    const auto keyAnswer12 = B::keyPositionAnswer(12, {{0, 1, {1, 2, 3}}});
    const std::tuple<Bytes, Bytes, Match> rows[] = {
        {B::infoAnswer(0x04, "1.0"), firmware, Match::matches},
        // The instrument need not repeat the type asked for.
        {B::infoAnswer(0x04, "1.0"), B::toBytes(R::infoRequest(InfoRequestType::serialNumber)),
         Match::mayStandIn},
        {B::infoAnswer(0x00, "1.0"), firmware, Match::mayStandIn},
        {B::infoAnswer(0x04, "1.0"), B::toBytes(R::testLogRequest(4)), Match::otherRequest},
        {B::frame(0x0D, {}), firmware, Match::otherRequest},
        {log5, B::toBytes(R::testLogRequest(6)), Match::otherRequest},
        {B::touchCalibrationAnswer({}), key11, Match::otherRequest},
        {keyAnswer12, key11, Match::otherKey},
        // Cut short: it still answers the request whose sub-codes agree, as invalid.
        {B::frame(0x07, {0x01}), B::toBytes(R::testLogRequest(5)), Match::matches},
        {B::frame(0x07, {0x04, 0x02}), key11, Match::matches},
        {B::frame(0x07, {0x04, 0x02}), B::toBytes(R::touchCalibrationRequest()), Match::otherRequest},
        // Requests that are not whole requests of ours.
        {log5, {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0xF7}, Match::otherRequest},
        {keyAnswer12, {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x02, 0xF7}, Match::matches},
    };
    for (std::size_t row = 0; row < std::size(rows); ++row)
    {
        const auto& [answer, request, expected] = rows[row];
        EXPECT_EQ(parse(answer).matchRequest(exactCopy(request).get(), request.size()), expected) << row;
    }
}

// The handler in front of a real queue whose request is in flight: what completes it, and what is logged.
TEST(SysExAnswerHandler, CompletesOnlyTheRequestAnAnswerBelongsTo)
{
    struct Row
    {
        juce::MidiMessage request;
        std::vector<Bytes> answers;
        Strings events, problems; // problems: warnings and errors, in order
    };
    const std::string mismatch = "MessageRequestQueue: Answer does not match the pending request !";
    // clang-format off
    const Row rows[] = {
        {SysExRequests::infoRequest(InfoRequestType::serialNumber), {B::infoAnswer(0x04, "2.3.1"), B::infoAnswer(0x02, "TV-1")},
         {"success TV-1"}, {}},
        {SysExRequests::keyPositionCalibrationRequest(11), {B::keyPositionAnswer(12, {{0, 1, {1, 2, 3}}})}, {},
         {SysExAnswerParser::requestedKeyMismatchText, mismatch}},
        {SysExRequests::touchCalibrationRequest(), {B::touchCalibrationAnswer({{0, {}, {}, {}, {}}, {2, {}, {}, {}, {}}})},
         {"empty"}, {SysExAnswerParser::blockKeyMismatchText}},
        {SysExRequests::testLogRequest(5), {B::frame(0x11, {0x04}), B::frame(0x07, {}), B::testLogAnswer(6, {}),
         B::testLogWithoutResult(5)}, {"success No result for test LEDs\n"}, {mismatch, mismatch, malformed, mismatch}},
    };
    // clang-format on
    for (const auto& row : rows)
    {
        const testsupport::LogCapture log;
        midiUsb::MessageRequestQueue queue;
        Strings events, problems;
        int heard = 0;
        queue.setSendFunction([](const juce::MidiMessage&) {});
        queue.add(
            row.request, [&events] { events.push_back("timeout"); },
            [&events](const juce::String& text) { events.push_back("success " + text.toStdString()); },
            [&events] { events.push_back("empty"); });
        queue.tick();
        midiUsb::SysExAnswerHandler handler(queue, [&heard](const juce::MidiMessage&) { ++heard; });
        for (const auto& answer : row.answers)
            handler.handle(B::toMessage(answer));
        for (const auto& entry : log.lines())
            if (entry.level >= spdlog::level::warn)
                problems.push_back(entry.text);
        EXPECT_EQ(events, row.events) << row.request.getDescription();
        EXPECT_EQ(problems, row.problems) << row.request.getDescription();
        EXPECT_EQ(heard, static_cast<int>(row.answers.size()));
    }
}
} // namespace
