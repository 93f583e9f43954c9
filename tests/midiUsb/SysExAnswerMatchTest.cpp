#include "SysExAnswerSamples.h"
#include "midiUsb/SysExAnswerParser.h"
#include "midiUsb/SysExRequests.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
using midiUsb::DataRequestType;
using midiUsb::InfoRequestType;
using midiUsb::SysExAnswer;
using midiUsb::SysExAnswerParser;
using midiUsb::SysExRequests;
using sysexsamples::Bytes;
using sysexsamples::quarnel;
using Match = SysExAnswer::RequestMatch;

Bytes bytesOf(const juce::MidiMessage& message)
{
    return Bytes(message.getRawData(), message.getRawData() + message.getRawDataSize());
}

// Both messages as exact-size heap copies: no byte past either may be read.
Match match(const Bytes& answerBytes, const Bytes& request)
{
    auto answerCopy = std::make_unique<std::uint8_t[]>(answerBytes.size());
    std::copy(answerBytes.begin(), answerBytes.end(), answerCopy.get());
    const auto answer = SysExAnswerParser::parse(answerCopy.get(), answerBytes.size());

    auto requestCopy = std::make_unique<std::uint8_t[]>(request.size());
    std::copy(request.begin(), request.end(), requestCopy.get());
    return answer.matchRequest(requestCopy.get(), request.size());
}

TEST(SysExAnswerMatch, AnAnswerBelongsOnlyToTheRequestItAnswers)
{
    const auto firmware = bytesOf(SysExRequests::infoRequest(InfoRequestType::firmwareVersion));
    const auto ormel = bytesOf(SysExRequests::infoRequest(InfoRequestType::ormelVersion));
    const auto serial = bytesOf(SysExRequests::infoRequest(InfoRequestType::serialNumber));
    const auto testLog5 = bytesOf(SysExRequests::testLogRequest(5));
    const auto testLog6 = bytesOf(SysExRequests::testLogRequest(6));
    const auto touch = bytesOf(SysExRequests::touchCalibrationRequest());
    const auto key11 = bytesOf(SysExRequests::keyPositionCalibrationRequest(11));
    const auto key12 = bytesOf(SysExRequests::keyPositionCalibrationRequest(12));

    const auto info = sysexsamples::infoAnswer(0x04, "1.0");
    const auto invalidInfo = quarnel({0x0D, 0x04, 0x06, 0x00});
    const auto log5 = sysexsamples::testLogAnswer(5, {{405, 10, 1}});
    const auto log5NoResult = sysexsamples::testLogWithoutCount(5);
    const auto touchAnswer = sysexsamples::touchAnswer({sysexsamples::sampleTouchRows(0)});
    const auto keyAnswer12 = sysexsamples::keyPositionAnswer(12, {{0, 1, {1, 2, 3}}});

    struct Row
    {
        const char* name;
        Bytes answer;
        Bytes request;
        Match expected;
    };
    const Row rows[] = {
        {"info, firmware request", info, firmware, Match::matches},
        {"info, sound-engine request", info, ormel, Match::matches},
        {"info, serial number request", info, serial, Match::matches},
        {"invalid info, firmware request", invalidInfo, firmware, Match::matches},
        {"info, data request", info, testLog5, Match::otherRequest},
        {"test log 5, its request", log5, testLog5, Match::matches},
        {"test log 5 without result, its request", log5NoResult, testLog5, Match::matches},
        {"test log 5, request for test 6", log5, testLog6, Match::otherRequest},
        {"test log, touch request", log5, touch, Match::otherRequest},
        {"test log, info request", log5, firmware, Match::otherRequest},
        {"touch, its request", touchAnswer, touch, Match::matches},
        {"touch, key position request", touchAnswer, key12, Match::otherRequest},
        {"key 12, its request", keyAnswer12, key12, Match::matches},
        {"key 12, request for key 11", keyAnswer12, key11, Match::otherKey},
        {"key 12, seven-byte version request", keyAnswer12, firmware, Match::otherRequest},
        {"key 12, touch request", keyAnswer12, touch, Match::otherRequest},
        {"acknowledge, any request", quarnel({0x11, 0x04}), firmware, Match::otherRequest},
        {"07 02, test log request", quarnel({0x07, 0x02, 0x05}), testLog5, Match::otherRequest},
        {"another command, info request", quarnel({0x20, 0x01}), firmware, Match::otherRequest},
        {"foreign manufacturer",
         {0xF0, 0x00, 0x20, 0x29, 0x0D, 0x04, 0x05, 0xF7},
         firmware,
         Match::otherRequest},
        {"note on", {0x90, 0x3C, 0x64}, firmware, Match::otherRequest},
        // Cut short: it still answers the request whose sub-codes agree, as
        // invalid, so the request is not left waiting for its time-out.
        {"data answer cut after its command", quarnel({0x07}), testLog5, Match::matches},
        {"test log cut before its id", quarnel({0x07, 0x01}), testLog5, Match::matches},
        {"key position cut before its key", quarnel({0x07, 0x04, 0x02}), key11, Match::matches},
        {"key position cut before its key, touch request", quarnel({0x07, 0x04, 0x02}), touch,
         Match::otherRequest},
        // Requests that are not whole SysEx requests of ours.
        {"empty request", info, {}, Match::otherRequest},
        {"lone F0 request", info, {0xF0}, Match::otherRequest},
        {"request without command", info, {0xF0, 0x00, 0x6B, 0x2D, 0xF7}, Match::otherRequest},
        {"key request without key",
         keyAnswer12,
         {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x02, 0xF7},
         Match::matches},
        {"request of another maker", info, {0xF0, 0x00, 0x20, 0x29, 0x0C, 0x04, 0xF7}, Match::otherRequest},
    };
    for (const auto& row : rows)
        EXPECT_EQ(match(row.answer, row.request), row.expected) << row.name;
}

TEST(SysExAnswerMatch, ANullRequestMatchesNothing)
{
    const auto answer = SysExAnswerParser::parse(nullptr, 0);
    EXPECT_EQ(answer.kind, SysExAnswer::Kind::notSysEx);
    const auto info = sysexsamples::infoAnswer(0x04, "1.0");
    EXPECT_EQ(SysExAnswerParser::parse(info.data(), info.size()).matchRequest(nullptr, 7),
              Match::otherRequest);
}
} // namespace
