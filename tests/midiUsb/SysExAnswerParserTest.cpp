#include "midiUsb/SysExAnswerParser.h"
#include "SysExAnswerSamples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace
{
using midiUsb::SysExAnswer;
using midiUsb::SysExAnswerParser;
using sysexsamples::Bytes;
using sysexsamples::quarnel;
using Kind = SysExAnswer::Kind;
using Outcome = SysExAnswer::Outcome;

// The parser gets an exact-size heap copy, so that the address sanitizer
// sees any read past the message's last byte.
SysExAnswer parse(const Bytes& bytes)
{
    auto copy = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), copy.get());
    return SysExAnswerParser::parse(copy.get(), bytes.size());
}

const std::string equalsLine = std::string(41, '=') + "\n";

struct Row
{
    const char* name;
    Bytes message;
    Kind kind;
    Outcome outcome;
    std::string text = {};
    std::string problem = {};
};

void expectRow(const Row& row)
{
    SCOPED_TRACE(row.name);
    const auto answer = parse(row.message);
    EXPECT_EQ(answer.kind, row.kind);
    EXPECT_EQ(answer.outcome, row.outcome);
    EXPECT_EQ(answer.text.toStdString(), row.text);
    EXPECT_EQ(answer.problem.toStdString(), row.problem);
    EXPECT_EQ(answer.malformed, row.problem == SysExAnswerParser::malformedText);
}

TEST(SysExAnswerParser, DispatchesOnCommandAndSubCodes)
{
    const Row rows[] = {
        {"note on", {0x90, 0x3C, 0x64}, Kind::notSysEx, Outcome::none},
        {"empty message", {}, Kind::notSysEx, Outcome::none},
        {"foreign manufacturer",
         {0xF0, 0x00, 0x20, 0x29, 0x0D, 0x04, 0x05, 0x00, 0x41, 0xF7},
         Kind::foreignManufacturer,
         Outcome::none,
         "",
         SysExAnswerParser::foreignManufacturerText},
        {"info with text", sysexsamples::infoAnswer(0x04, "1.4.2"), Kind::info, Outcome::success, "1.4.2"},
        {"info of 9 bytes", quarnel({0x0D, 0x04, 0x05, 0x00}), Kind::info, Outcome::success, ""},
        {"info of 8 bytes", quarnel({0x0D, 0x04, 0x05}), Kind::info, Outcome::success, ""},
        {"info without text marker", quarnel({0x0D, 0x04, 0x06, 0x00}), Kind::info, Outcome::emptyResult},
        {"info skips 00 and bytes of 80 and more",
         quarnel({0x0D, 0x02, 0x05, 0x33, 'A', 0x00, 'B', 0x80, 0xFF, 0x7F, '1'}), Kind::info,
         Outcome::success,
         "AB\x7F"
         "1"},
        {"acknowledge", quarnel({0x11, 0x04}), Kind::acknowledge, Outcome::success, ""},
        {"acknowledge of another code", quarnel({0x11, 0x05}), Kind::acknowledge, Outcome::none},
        {"test log without count", sysexsamples::testLogWithoutCount(5), Kind::testLog, Outcome::success,
         "No result for test LEDs\n"},
        {"test log with count 0", sysexsamples::testLogAnswer(5, {}), Kind::testLog, Outcome::success,
         equalsLine + "Test : ID 5, LEDs\n"},
        {"test log entry 03 15 00 0A 01", quarnel({0x07, 0x01, 0x05, 0x01, 0x03, 0x15, 0x00, 0x0A, 0x01}),
         Kind::testLog, Outcome::success,
         equalsLine + "Test : ID 5, LEDs\n"
                      "Instruction : ID 405 ; press button Previous octave with timeout = 10 --> result = "
                      "Success\n"},
        {"touch calibration with count 0", sysexsamples::touchAnswer({}), Kind::touchCalibration,
         Outcome::success, ""},
        {"key position with count 0", sysexsamples::keyPositionAnswer(12, {}), Kind::keyPosition,
         Outcome::success, ""},
        {"data answer 07 02", quarnel({0x07, 0x02, 0x01}), Kind::unknown, Outcome::emptyResult},
        {"data answer 07 04 03", quarnel({0x07, 0x04, 0x03, 0x00}), Kind::unknown, Outcome::emptyResult},
        {"another command", quarnel({0x20, 0x01}), Kind::unknown, Outcome::emptyResult},
        {"a request echoed back", quarnel({0x0C, 0x04}), Kind::unknown, Outcome::emptyResult},
    };
    for (const auto& row : rows)
        expectRow(row);
}

TEST(SysExAnswerParser, TestLogNamesEveryEntryFromTheTables)
{
    const auto answer = parse(sysexsamples::testLogAnswer(13, {{405, 10, 1}, {4, 16383, 0}, {907, 0, 2}}));
    EXPECT_EQ(answer.outcome, Outcome::success);
    EXPECT_EQ(answer.text.toStdString(),
              equalsLine +
                  "Test : ID 13, Grouped LED\n"
                  "Instruction : ID 405 ; press button Previous octave with timeout = 10 --> result = "
                  "Success\n"
                  "Instruction : ID 4 ; is keyboard responding with timeout = 16383 --> result = Failure\n"
                  "Instruction : ID 907 ; audio test stop with timeout = 0 --> result = Test not found\n");
}

TEST(SysExAnswerParser, IdsMissingFromTheTablesAreNamedUnknown)
{
    EXPECT_EQ(parse(sysexsamples::testLogWithoutCount(0)).text.toStdString(), "No result for test Unknown\n");

    const auto answer = parse(sysexsamples::testLogAnswer(14, {{602, 1, 3}, {16383, 2, 127}}));
    EXPECT_EQ(answer.outcome, Outcome::success);
    EXPECT_EQ(answer.text.toStdString(),
              equalsLine + "Test : ID 14, Unknown\n"
                           "Instruction : ID 602 ; Unknown with timeout = 1 --> result = Unknown\n"
                           "Instruction : ID 16383 ; Unknown with timeout = 2 --> result = Unknown\n");
}

TEST(SysExAnswerParser, NumbersCarryTheirSignAndPrintPlain)
{
    // Key 3's press row: 00 00 00 78 is 120, 01 00 00 05 is -5, 01 00 00 00
    // a negated zero. The other rows: 00 01 00 00 is 16384, 02 00 00 07 is 7
    // (only 01 means negative), and the largest magnitudes.
    Bytes body{0x07, 0x04, 0x02, 0x03, 0x01, 0x09, 0x01, 0x05, //
               0x00, 0x00, 0x00, 0x78, 0x01, 0x00, 0x00, 0x05, 0x01, 0x00, 0x00, 0x00};
    auto answer = parse(quarnel(body));
    EXPECT_EQ(answer.text.toStdString(), "3,9,-5,120,-5,0\n");

    body = {0x07, 0x04, 0x02, 0x03, 0x01, 0x7F, 0x01, 0x00, //
            0x00, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x07, 0x01, 0x7F, 0x7F, 0x7F};
    answer = parse(quarnel(body));
    EXPECT_EQ(answer.text.toStdString(), "3,127,0,16384,7,-2097151\n");

    body = {0x07, 0x04, 0x02, 0x03, 0x01, 0x00, 0x00, 0x7F, //
            0x00, 0x7F, 0x7F, 0x7F, 0x00, 0x00, 0x01, 0x00, 0x05, 0x00, 0x00, 0x01};
    answer = parse(quarnel(body));
    EXPECT_EQ(answer.text.toStdString(), "3,0,127,2097151,128,1\n");
}

TEST(SysExAnswerParser, TouchCalibrationGivesFourLinesPerKey)
{
    sysexsamples::TouchRows press3{};
    for (int i = 0; i < 12; ++i)
        press3[static_cast<std::size_t>(i)] = i + 1;
    press3[0] = 120;
    press3[1] = -5;
    press3[2] = 0;
    auto blocks = std::vector<sysexsamples::TouchRows>(4, sysexsamples::TouchRows{});
    blocks[3] = press3;

    const auto answer = parse(sysexsamples::touchAnswer(blocks));
    ASSERT_EQ(answer.outcome, Outcome::success);
    const auto lines = juce::StringArray::fromLines(answer.text.trimEnd());
    ASSERT_EQ(lines.size(), 16);
    EXPECT_EQ(lines[0], "0,press,0,0,0");
    EXPECT_EQ(lines[12], "3,press,120,-5,0");
    EXPECT_EQ(lines[13], "3,aftertouch,4,5,6");
    EXPECT_EQ(lines[14], "3,left,7,8,9");
    EXPECT_EQ(lines[15], "3,right,10,11,12");
}

TEST(SysExAnswerParser, TouchCalibrationOfAll49Keys)
{
    std::vector<sysexsamples::TouchRows> blocks;
    for (int key = 0; key < 49; ++key)
        blocks.push_back(sysexsamples::sampleTouchRows(key));
    const auto message = sysexsamples::touchAnswer(blocks);
    ASSERT_EQ(message.size(), 2410u);

    std::string expected;
    const char* labels[] = {"press", "aftertouch", "left", "right"};
    for (int key = 0; key < 49; ++key)
        for (int row = 0; row < 4; ++row)
        {
            expected += std::to_string(key) + "," + labels[row];
            for (int column = 0; column < 3; ++column)
                expected +=
                    "," +
                    std::to_string(
                        blocks[static_cast<std::size_t>(key)][static_cast<std::size_t>(row * 3 + column)]);
            expected += "\n";
        }

    const auto answer = parse(message);
    EXPECT_EQ(answer.kind, Kind::touchCalibration);
    EXPECT_EQ(answer.outcome, Outcome::success);
    EXPECT_EQ(answer.text.toStdString(), expected);
}

TEST(SysExAnswerParser, TouchBlockOutOfSequenceDropsEveryLine)
{
    const auto rows = sysexsamples::sampleTouchRows(1);
    const auto answer = parse(sysexsamples::touchAnswerWithKeys({rows, rows, rows}, {0, 2, 2}));
    EXPECT_EQ(answer.kind, Kind::touchCalibration);
    EXPECT_EQ(answer.outcome, Outcome::emptyResult);
    EXPECT_TRUE(answer.text.isEmpty());
    EXPECT_EQ(answer.problem.toStdString(), SysExAnswerParser::blockKeyMismatchText);
    EXPECT_FALSE(answer.malformed);
}

TEST(SysExAnswerParser, KeyPositionGivesOneLinePerEntry)
{
    const auto answer = parse(
        sysexsamples::keyPositionAnswer(12, {{0, -5, {120, -5, 0}}, {7, 3, {2097151, -2097151, 16384}}}));
    EXPECT_EQ(answer.outcome, Outcome::success);
    EXPECT_EQ(answer.text.toStdString(), "12,0,-5,120,-5,0\n12,7,3,2097151,-2097151,16384\n");
    EXPECT_EQ(answer.echoedSubCodes, (Bytes{0x04, 0x02, 12}));
}

TEST(SysExAnswerParser, AnswersTooShortForWhatTheyAnnounceAreInvalid)
{
    const auto malformed = [](const char* name, Bytes message, Kind kind) {
        return Row{
            name, std::move(message), kind, Outcome::emptyResult, "", SysExAnswerParser::malformedText};
    };
    const Row rows[] = {
        malformed("lone F0", {0xF0}, Kind::unknown),
        malformed("F0 F7", {0xF0, 0xF7}, Kind::unknown),
        malformed("manufacturer cut", {0xF0, 0x00, 0x6B, 0x2D}, Kind::unknown),
        malformed("no command", quarnel({}), Kind::unknown),
        malformed("info without marker", quarnel({0x0D, 0x04}), Kind::info),
        malformed("info without anything", quarnel({0x0D}), Kind::info),
        malformed("acknowledge without code", quarnel({0x11}), Kind::acknowledge),
        malformed("data answer without sub-code", quarnel({0x07}), Kind::unknown),
        malformed("test log without id", quarnel({0x07, 0x01}), Kind::testLog),
        malformed("test log count beyond the end",
                  quarnel({0x07, 0x01, 0x05, 0x02, 0x03, 0x15, 0x00, 0x0A, 0x01}), Kind::testLog),
        malformed("calibration without second sub-code", quarnel({0x07, 0x04}), Kind::unknown),
        malformed("touch count taken from F7", quarnel({0x07, 0x04, 0x01}), Kind::touchCalibration),
        malformed("touch count beyond the end", quarnel({0x07, 0x04, 0x01, 0x01, 0x00}),
                  Kind::touchCalibration),
        malformed("key position without key", quarnel({0x07, 0x04, 0x02}), Kind::keyPosition),
        malformed("key position without count", quarnel({0x07, 0x04, 0x02, 0x0C}), Kind::keyPosition),
        malformed("key position count beyond the end",
                  quarnel({0x07, 0x04, 0x02, 0x0C, 0x01, 0x00, 0x00, 0x05}), Kind::keyPosition),
    };
    for (const auto& row : rows)
        expectRow(row);
}

// Every answer cut short, with or without its F7, reads nothing past its
// end and, when it is still a SysEx message of ours, means either what it
// meant whole (only the last bytes, not read, were lost) or nothing valid.
TEST(SysExAnswerParser, TruncatedAnswersNeverReadPastTheirEnd)
{
    for (const auto& whole : sysexsamples::validAnswers())
    {
        const auto complete = parse(whole);
        for (std::size_t length = 0; length < whole.size(); ++length)
        {
            Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            SCOPED_TRACE(testing::Message() << "length " << length << " of " << whole.size());
            const auto bare = parse(cut);
            if (bare.outcome == Outcome::success && complete.kind != Kind::info)
            {
                EXPECT_EQ(bare.kind, complete.kind);
            }
            cut.push_back(0xF7);
            const auto terminated = parse(cut);
            if (terminated.malformed)
            {
                EXPECT_EQ(terminated.outcome, Outcome::emptyResult);
            }
        }
    }
}

TEST(SysExAnswerParser, ACountedAnswerCutAnywhereIsInvalid)
{
    std::vector<sysexsamples::TouchRows> blocks;
    for (int key = 0; key < 49; ++key)
        blocks.push_back(sysexsamples::sampleTouchRows(key));
    const Bytes answers[] = {
        sysexsamples::touchAnswer(blocks),
        sysexsamples::keyPositionAnswer(3, {{0, -5, {120, -5, 0}}, {1, 5, {1, 2, 3}}}),
        sysexsamples::testLogAnswer(2, {{500, 1, 1}, {501, 1, 1}}),
    };
    for (const auto& whole : answers)
    {
        // Cut after the count byte and before the last data byte, F7 kept.
        for (std::size_t dropped = 1; dropped + 9 < whole.size(); ++dropped)
        {
            Bytes cut(whole.begin(), whole.end() - 1 - static_cast<std::ptrdiff_t>(dropped));
            cut.push_back(0xF7);
            const auto answer = parse(cut);
            ASSERT_TRUE(answer.malformed) << dropped << " bytes dropped of " << whole.size();
            ASSERT_EQ(answer.outcome, Outcome::emptyResult);
            ASSERT_TRUE(answer.text.isEmpty());
        }
    }
}

TEST(SysExAnswerParser, TheLastByteIsTakenForF7WhateverItIs)
{
    auto message = sysexsamples::infoAnswer(0x04, "1.0");
    message.back() = 0x41;
    EXPECT_EQ(parse(message).text.toStdString(), "1.0");
}
} // namespace
