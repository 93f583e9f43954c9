#include "InstrumentData.h"
#include "SysExAnswerBuilder.h"
#include "midiUsb/SysExAnswerHandler.h"
#include "midiUsb/SysExAnswerParser.h"
#include "midiUsb/SysExRequests.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
using midiUsb::InfoRequestType;
using midiUsb::SysExAnswer;
using midiUsb::SysExAnswerParser;
using midiUsb::SysExRequests;
using simulator::SysExAnswerBuilder;
using Bytes = SysExAnswerBuilder::Bytes;
using Kind = SysExAnswer::Kind;
using Outcome = SysExAnswer::Outcome;
using Match = SysExAnswer::RequestMatch;

Bytes frame(std::uint8_t command, const Bytes& body = {})
{
    return SysExAnswerBuilder::frame(command, body);
}

// An exact-size heap copy, so that the address sanitizer sees any read past
// the message's last byte.
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

Bytes request(const juce::MidiMessage& message)
{
    return SysExAnswerBuilder::toBytes(message);
}

const std::string equalsLine = std::string(41, '=') + "\n";
const std::string malformed = SysExAnswerParser::malformedText;

struct ParseRow
{
    const char* name;
    Bytes message;
    Kind kind;
    Outcome outcome;
    std::string text = {};
    std::string problem = {};
};

void expectParsed(const ParseRow& row)
{
    const auto answer = parse(row.message);
    EXPECT_EQ(answer.kind, row.kind) << row.name;
    EXPECT_EQ(answer.outcome, row.outcome) << row.name;
    EXPECT_EQ(answer.text.toStdString(), row.text) << row.name;
    EXPECT_EQ(answer.problem.toStdString(), row.problem) << row.name;
    EXPECT_EQ(answer.malformed, row.problem == malformed) << row.name;
}

TEST(SysExAnswerParser, DispatchesOnCommandAndSubCodes)
{
    const ParseRow rows[] = {
        {"note on", {0x90, 0x3C, 0x64}, Kind::notSysEx, Outcome::none},
        {"empty message", {}, Kind::notSysEx, Outcome::none},
        {"foreign manufacturer",
         {0xF0, 0x00, 0x20, 0x29, 0x0D, 0x04, 0x05, 0x00, 0x41, 0xF7},
         Kind::foreignManufacturer,
         Outcome::none,
         "",
         SysExAnswerParser::foreignManufacturerText},
        {"info with text", SysExAnswerBuilder::infoAnswer(0x04, "1.4.2"), Kind::info, Outcome::success,
         "1.4.2"},
        {"info of 9 bytes", frame(0x0D, {0x04, 0x05, 0x00}), Kind::info, Outcome::success, ""},
        {"info of 8 bytes", frame(0x0D, {0x04, 0x05}), Kind::info, Outcome::success, ""},
        {"info without text marker", frame(0x0D, {0x04, 0x06, 0x00}), Kind::info, Outcome::emptyResult},
        {"info skips 00 and bytes of 80 and more",
         frame(0x0D, {0x02, 0x05, 0x33, 'A', 0x00, 'B', 0x80, 0xFF, 0x7F, '1'}), Kind::info, Outcome::success,
         "AB\x7F"
         "1"},
        {"the last byte is taken for F7",
         {0xF0, 0x00, 0x6B, 0x2D, 0x0D, 0x04, 0x05, 0x00, '1', 0x41},
         Kind::info,
         Outcome::success,
         "1"},
        {"acknowledge", frame(0x11, {0x04}), Kind::acknowledge, Outcome::success, ""},
        {"acknowledge of another code", frame(0x11, {0x05}), Kind::acknowledge, Outcome::none},
        {"test log without count", SysExAnswerBuilder::testLogWithoutResult(5), Kind::testLog,
         Outcome::success, "No result for test LEDs\n"},
        {"test log with count 0", SysExAnswerBuilder::testLogAnswer(5, {}), Kind::testLog, Outcome::success,
         equalsLine + "Test : ID 5, LEDs\n"},
        {"test log, every name from the tables",
         SysExAnswerBuilder::testLogAnswer(13, {{405, 10, 1}, {4, 16383, 0}, {907, 0, 2}}), Kind::testLog,
         Outcome::success,
         equalsLine +
             "Test : ID 13, Grouped LED\n"
             "Instruction : ID 405 ; press button Previous octave with timeout = 10 --> result = Success\n"
             "Instruction : ID 4 ; is keyboard responding with timeout = 16383 --> result = Failure\n"
             "Instruction : ID 907 ; audio test stop with timeout = 0 --> result = Test not found\n"},
        {"test log, ids missing from the tables", SysExAnswerBuilder::testLogAnswer(14, {{602, 1, 3}}),
         Kind::testLog, Outcome::success,
         equalsLine +
             "Test : ID 14, Unknown\nInstruction : ID 602 ; Unknown with timeout = 1 --> result = Unknown\n"},
        {"touch calibration with count 0", SysExAnswerBuilder::touchCalibrationAnswer({}),
         Kind::touchCalibration, Outcome::success, ""},
        {"touch calibration, four lines a key",
         SysExAnswerBuilder::touchCalibrationAnswer(
             {{0, {120, -5, 0}, {16384, 7, -1}, {0, 0, 0}, {2097151, -2097151, 1}}}),
         Kind::touchCalibration, Outcome::success,
         "0,press,120,-5,0\n0,aftertouch,16384,7,-1\n0,left,0,0,0\n0,right,2097151,-2097151,1\n"},
        {"touch block out of sequence",
         SysExAnswerBuilder::touchCalibrationAnswer({{0, {}, {}, {}, {}}, {2, {}, {}, {}, {}}}),
         Kind::touchCalibration, Outcome::emptyResult, "", SysExAnswerParser::blockKeyMismatchText},
        {"key position with count 0", SysExAnswerBuilder::keyPositionAnswer(12, {}), Kind::keyPosition,
         Outcome::success, ""},
        {"key position, one line an entry",
         SysExAnswerBuilder::keyPositionAnswer(12,
                                               {{0, -5, {120, -5, 0}}, {7, 3, {2097151, -2097151, 16384}}}),
         Kind::keyPosition, Outcome::success, "12,0,-5,120,-5,0\n12,7,3,2097151,-2097151,16384\n"},
        // Signs: only 01 means negative, and a negated zero prints 0.
        {"number coding",
         frame(0x07, {0x04, 0x02, 0x03, 0x01, 0x7F, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00,
                      0x07, 0x01, 0x00, 0x00, 0x00}),
         Kind::keyPosition, Outcome::success, "3,127,0,16384,7,0\n"},
        {"data answer 07 02", frame(0x07, {0x02, 0x01}), Kind::unknown, Outcome::emptyResult},
        {"data answer 07 04 03", frame(0x07, {0x04, 0x03, 0x00}), Kind::unknown, Outcome::emptyResult},
        {"another command", frame(0x20, {0x01}), Kind::unknown, Outcome::emptyResult},
        // Shorter than what they announce.
        {"lone F0", {0xF0}, Kind::unknown, Outcome::emptyResult, "", malformed},
        {"manufacturer cut", {0xF0, 0x00, 0x6B, 0x2D}, Kind::unknown, Outcome::emptyResult, "", malformed},
        {"no command", {0xF0, 0x00, 0x6B, 0x2D, 0xF7}, Kind::unknown, Outcome::emptyResult, "", malformed},
        {"info without marker", frame(0x0D, {0x04}), Kind::info, Outcome::emptyResult, "", malformed},
        {"acknowledge without code", frame(0x11), Kind::acknowledge, Outcome::emptyResult, "", malformed},
        {"data answer without sub-code", frame(0x07), Kind::unknown, Outcome::emptyResult, "", malformed},
        {"test log without id", frame(0x07, {0x01}), Kind::testLog, Outcome::emptyResult, "", malformed},
        {"touch count taken from F7", frame(0x07, {0x04, 0x01}), Kind::touchCalibration, Outcome::emptyResult,
         "", malformed},
        {"key position without count", frame(0x07, {0x04, 0x02, 0x0C}), Kind::keyPosition,
         Outcome::emptyResult, "", malformed},
    };
    for (const auto& row : rows)
        expectParsed(row);
}

// Cut anywhere after its count byte, F7 kept, a counted answer yields no
// line at all.
TEST(SysExAnswerParser, ACountedAnswerCutAnywhereIsInvalid)
{
    const auto typical = simulator::InstrumentData::makeTypical();
    const Bytes answers[] = {
        SysExAnswerBuilder::touchCalibrationAnswer(typical.touchCalibration),
        SysExAnswerBuilder::keyPositionAnswer(3, typical.keyPositions.at(3)),
        SysExAnswerBuilder::testLogAnswer(2, {{500, 1, 1}, {501, 1, 1}}),
    };
    for (const auto& whole : answers)
        for (std::size_t dropped = 1; dropped + 9 < whole.size(); ++dropped)
        {
            Bytes cut(whole.begin(), whole.end() - 1 - static_cast<std::ptrdiff_t>(dropped));
            cut.push_back(0xF7);
            const auto answer = parse(cut);
            ASSERT_TRUE(answer.malformed && answer.text.isEmpty())
                << dropped << " bytes dropped of " << whole.size();
        }
}

TEST(SysExAnswerMatch, AnAnswerBelongsOnlyToTheRequestItAnswers)
{
    const auto firmware = request(SysExRequests::infoRequest(InfoRequestType::firmwareVersion));
    const auto serial = request(SysExRequests::infoRequest(InfoRequestType::serialNumber));
    const auto testLog5 = request(SysExRequests::testLogRequest(5));
    const auto touch = request(SysExRequests::touchCalibrationRequest());
    const auto key11 = request(SysExRequests::keyPositionCalibrationRequest(11));
    const auto key12 = request(SysExRequests::keyPositionCalibrationRequest(12));

    const auto info = SysExAnswerBuilder::infoAnswer(0x04, "1.0");
    const auto log5 = SysExAnswerBuilder::testLogAnswer(5, {{405, 10, 1}});
    const auto keyAnswer12 = SysExAnswerBuilder::keyPositionAnswer(12, {{0, 1, {1, 2, 3}}});

    struct Row
    {
        const char* name;
        Bytes answer;
        Bytes request;
        Match expected;
    };
    const Row rows[] = {
        {"firmware info, its request", info, firmware, Match::matches},
        {"firmware info, serial number request", info, serial, Match::otherRequest},
        {"invalid firmware info, its request", frame(0x0D, {0x04, 0x06, 0x00}), firmware, Match::matches},
        {"info cut before its type", frame(0x0D), firmware, Match::otherRequest},
        {"info, data request", info, testLog5, Match::otherRequest},
        {"test log 5, its request", log5, testLog5, Match::matches},
        {"test log 5 without result, its request", SysExAnswerBuilder::testLogWithoutResult(5), testLog5,
         Match::matches},
        {"test log 5, request for test 6", log5, request(SysExRequests::testLogRequest(6)),
         Match::otherRequest},
        {"test log, touch request", log5, touch, Match::otherRequest},
        {"touch, its request", SysExAnswerBuilder::touchCalibrationAnswer({}), touch, Match::matches},
        {"touch, key position request", SysExAnswerBuilder::touchCalibrationAnswer({}), key12,
         Match::otherRequest},
        {"key 12, its request", keyAnswer12, key12, Match::matches},
        {"key 12, request for key 11", keyAnswer12, key11, Match::otherKey},
        {"key 12, seven-byte version request", keyAnswer12, firmware, Match::otherRequest},
        {"acknowledge, any request", SysExAnswerBuilder::acknowledge(), firmware, Match::otherRequest},
        {"07 02, test log request", frame(0x07, {0x02, 0x05}), testLog5, Match::otherRequest},
        {"foreign manufacturer",
         {0xF0, 0x00, 0x20, 0x29, 0x0D, 0x04, 0x05, 0xF7},
         firmware,
         Match::otherRequest},
        {"note on", {0x90, 0x3C, 0x64}, firmware, Match::otherRequest},
        // Cut short: it still answers the request whose sub-codes agree, as
        // invalid, so that request is not left waiting for its time-out;
        // cut before any sub-code it names no request.
        {"data answer cut after its command", frame(0x07), testLog5, Match::otherRequest},
        {"test log cut before its id", frame(0x07, {0x01}), testLog5, Match::matches},
        {"key position cut before its key", frame(0x07, {0x04, 0x02}), key11, Match::matches},
        {"key position cut before its key, touch request", frame(0x07, {0x04, 0x02}), touch,
         Match::otherRequest},
        // Requests that are not whole SysEx requests of ours.
        {"empty request", info, {}, Match::otherRequest},
        {"request without command", info, {0xF0, 0x00, 0x6B, 0x2D, 0xF7}, Match::otherRequest},
        {"request without sub-code", log5, {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0xF7}, Match::otherRequest},
        {"key request without key",
         keyAnswer12,
         {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x02, 0xF7},
         Match::matches},
        {"request of another maker", info, {0xF0, 0x00, 0x20, 0x29, 0x0C, 0x04, 0xF7}, Match::otherRequest},
    };
    for (const auto& row : rows)
    {
        const auto answer = parse(row.answer);
        EXPECT_EQ(answer.matchRequest(exactCopy(row.request).get(), row.request.size()), row.expected)
            << row.name;
    }
}

// The handler in front of a real queue whose request is in flight: what
// completes it, and what is logged.
TEST(SysExAnswerHandler, CompletesOnlyTheRequestAnAnswerBelongsTo)
{
    struct Row
    {
        const char* name;
        std::optional<juce::MidiMessage> request;
        std::vector<Bytes> answers;
        std::vector<std::string> events;
        std::vector<std::string> problems; // warnings and errors, in order
    };
    const auto firmware = SysExRequests::infoRequest(InfoRequestType::firmwareVersion);
    const auto keyAnswer = SysExAnswerBuilder::keyPositionAnswer(12, {{0, 1, {1, 2, 3}}});
    const std::string mismatch = "MessageRequestQueue: Answer does not match the pending request !";
    const Row rows[] = {
        {"a late firmware answer meets the serial number request",
         SysExRequests::infoRequest(InfoRequestType::serialNumber),
         {SysExAnswerBuilder::infoAnswer(0x04, "2.3.1"), SysExAnswerBuilder::infoAnswer(0x02, "TV-1")},
         {"success TV-1"},
         {mismatch}},
        {"foreign manufacturer",
         firmware,
         {{0xF0, 0x00, 0x20, 0x29, 0x0D, 0x04, 0x05, 0x00, 0x41, 0xF7},
          SysExAnswerBuilder::infoAnswer(0x04, "1.0")},
         {"success 1.0"},
         {SysExAnswerParser::foreignManufacturerText}},
        {"a key position answer for another key",
         SysExRequests::keyPositionCalibrationRequest(11),
         {keyAnswer},
         {},
         {SysExAnswerParser::requestedKeyMismatchText, mismatch}},
        {"a key position answer with no request in flight",
         std::nullopt,
         {keyAnswer},
         {},
         {SysExAnswerParser::requestedKeyMismatchText,
          "MessageRequestQueue: Success but no pending request !"}},
        {"a touch block out of sequence completes empty, then logs",
         SysExRequests::touchCalibrationRequest(),
         {SysExAnswerBuilder::touchCalibrationAnswer({{0, {}, {}, {}, {}}, {2, {}, {}, {}, {}}})},
         {"empty"},
         {SysExAnswerParser::blockKeyMismatchText}},
        {"a truncated answer completes its request as invalid",
         SysExRequests::touchCalibrationRequest(),
         {frame(0x07, {0x04, 0x01})},
         {"empty"},
         {malformed}},
        {"answers of other kinds leave the test log request waiting",
         SysExRequests::testLogRequest(5),
         {SysExAnswerBuilder::acknowledge(), frame(0x07), SysExAnswerBuilder::testLogAnswer(6, {}),
          SysExAnswerBuilder::testLogWithoutResult(5)},
         {"success No result for test LEDs\n"},
         {mismatch, mismatch, malformed, mismatch}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        testsupport::LogCapture log;
        midiUsb::MessageRequestQueue queue;
        std::vector<std::string> events;
        int heard = 0;
        queue.setSendFunction([](const juce::MidiMessage&) {});
        if (row.request)
            queue.add(
                *row.request, [&events] { events.push_back("timeout"); },
                [&events](const juce::String& text) { events.push_back("success " + text.toStdString()); },
                [&events] { events.push_back("empty"); });
        queue.tick();
        midiUsb::SysExAnswerHandler handler(queue, [&heard](const juce::MidiMessage&) { ++heard; });
        for (const auto& answer : row.answers)
            handler.handle(SysExAnswerBuilder::toMessage(answer));

        std::vector<std::string> problems;
        for (const auto& line : log.lines())
            if (line.level >= spdlog::level::warn)
                problems.push_back(line.text);
        EXPECT_EQ(events, row.events);
        EXPECT_EQ(problems, row.problems);
        EXPECT_EQ(heard, static_cast<int>(row.answers.size()));
    }
}
} // namespace
