#include "midiUsb/SysExAnswerHandler.h"
#include "SysExAnswerSamples.h"
#include "midiUsb/SysExAnswerParser.h"
#include "midiUsb/SysExRequests.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using midiUsb::InfoRequestType;
using midiUsb::SysExAnswerParser;
using midiUsb::SysExRequests;
using sysexsamples::Bytes;
using sysexsamples::quarnel;

juce::MidiMessage midi(const Bytes& bytes)
{
    return juce::MidiMessage(bytes.data(), static_cast<int>(bytes.size()));
}

// A real request queue with a recording output, and the handler in front.
class SysExAnswerHandlerTest : public testing::Test
{
protected:
    SysExAnswerHandlerTest()
    {
        queue.setSendFunction([this](const juce::MidiMessage&) { ++sends; });
    }

    void queueRequest(const juce::MidiMessage& request, const std::string& name)
    {
        queue.add(
            request, [this, name] { events.push_back(name + " timeout"); },
            [this, name](const juce::String& text)
            { events.push_back(name + " success " + text.toStdString()); },
            [this, name] { events.push_back(name + " empty"); });
    }

    // Sends the front request.
    void sendNext() { queue.tick(); }

    std::vector<std::string> levelsAndTexts() const
    {
        std::vector<std::string> lines;
        for (const auto& line : log.lines())
            if (line.level >= spdlog::level::warn)
                lines.push_back(std::string(spdlog::level::to_string_view(line.level).data()) + " " +
                                line.text);
        return lines;
    }

    testsupport::LogCapture log;
    midiUsb::MessageRequestQueue queue;
    int sends = 0;
    std::vector<std::string> events;
    std::vector<Bytes> heard;
    midiUsb::SysExAnswerHandler handler{
        queue, [this](const juce::MidiMessage& message)
        { heard.emplace_back(message.getRawData(), message.getRawData() + message.getRawDataSize()); }};
};

TEST_F(SysExAnswerHandlerTest, InfoAnswerCompletesTheVersionRequestAndReachesTheListeners)
{
    queueRequest(SysExRequests::infoRequest(InfoRequestType::firmwareVersion), "firmware");
    sendNext();
    const auto answer = sysexsamples::infoAnswer(0x04, "1.4.2-factory");
    handler.handle(midi(answer));

    EXPECT_EQ(events, std::vector<std::string>{"firmware success 1.4.2-factory"});
    EXPECT_EQ(heard, std::vector<Bytes>{answer});
    EXPECT_TRUE(log.contains("Midi message received: "));
}

TEST_F(SysExAnswerHandlerTest, NoteOnOnlyReachesTheListeners)
{
    queueRequest(SysExRequests::infoRequest(InfoRequestType::firmwareVersion), "firmware");
    sendNext();
    handler.handle(juce::MidiMessage::noteOn(1, 60, static_cast<juce::uint8>(100)));

    EXPECT_TRUE(events.empty());
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0], (Bytes{0x90, 60, 100}));
    EXPECT_TRUE(levelsAndTexts().empty());
    EXPECT_TRUE(queue.getRequestInFlight().has_value());
}

TEST_F(SysExAnswerHandlerTest, ForeignManufacturerIsLoggedLeavesTheRequestWaitingAndReachesTheListeners)
{
    queueRequest(SysExRequests::infoRequest(InfoRequestType::firmwareVersion), "firmware");
    sendNext();
    const Bytes foreign{0xF0, 0x00, 0x20, 0x29, 0x0D, 0x04, 0x05, 0x00, 0x41, 0xF7};
    handler.handle(midi(foreign));

    EXPECT_TRUE(events.empty());
    EXPECT_EQ(heard, std::vector<Bytes>{foreign});
    EXPECT_EQ(log.count(spdlog::level::err, SysExAnswerParser::foreignManufacturerText), 1);

    // Still waiting: the right answer completes it.
    handler.handle(midi(sysexsamples::infoAnswer(0x04, "1.0")));
    EXPECT_EQ(events, std::vector<std::string>{"firmware success 1.0"});
}

TEST_F(SysExAnswerHandlerTest, KeyPositionAnswerForAnotherKeyCompletesNothing)
{
    queueRequest(SysExRequests::keyPositionCalibrationRequest(11), "key 11");
    sendNext();
    handler.handle(midi(sysexsamples::keyPositionAnswer(12, {{0, 1, {1, 2, 3}}})));

    EXPECT_TRUE(events.empty());
    EXPECT_EQ(log.count(spdlog::level::err, SysExAnswerParser::requestedKeyMismatchText), 1);
    EXPECT_EQ(heard.size(), 1u);

    handler.handle(midi(sysexsamples::keyPositionAnswer(11, {{2, -1, {4, 5, -6}}})));
    EXPECT_EQ(events, std::vector<std::string>{"key 11 success 11,2,-1,4,5,-6\n"});
}

TEST_F(SysExAnswerHandlerTest, KeyPositionAnswerWithNoRequestInFlightLogsTheKeyError)
{
    handler.handle(midi(sysexsamples::keyPositionAnswer(12, {})));
    EXPECT_EQ(levelsAndTexts(),
              (std::vector<std::string>{std::string("error ") + SysExAnswerParser::requestedKeyMismatchText,
                                        "warning MessageRequestQueue: Success but no pending request !"}));
}

TEST_F(SysExAnswerHandlerTest, TouchBlockOutOfSequenceCompletesEmptyThenLogs)
{
    queueRequest(SysExRequests::touchCalibrationRequest(), "touch");
    sendNext();
    const auto rows = sysexsamples::sampleTouchRows(0);
    handler.handle(midi(sysexsamples::touchAnswerWithKeys({rows, rows}, {0, 2})));

    EXPECT_EQ(events, std::vector<std::string>{"touch empty"});
    EXPECT_EQ(levelsAndTexts(),
              std::vector<std::string>{std::string("error ") + SysExAnswerParser::blockKeyMismatchText});
}

TEST_F(SysExAnswerHandlerTest, TruncatedAnswerCompletesItsRequestAsInvalid)
{
    queueRequest(SysExRequests::touchCalibrationRequest(), "touch");
    sendNext();
    handler.handle(midi(quarnel({0x07, 0x04, 0x01})));

    EXPECT_EQ(events, std::vector<std::string>{"touch empty"});
    EXPECT_EQ(log.count(spdlog::level::err, SysExAnswerParser::malformedText), 1);
}

TEST_F(SysExAnswerHandlerTest, AnswerOfAnotherKindLeavesTheRequestWaiting)
{
    queueRequest(SysExRequests::testLogRequest(5), "test 5");
    sendNext();
    handler.handle(midi(sysexsamples::infoAnswer(0x04, "1.0")));
    handler.handle(midi(quarnel({0x11, 0x04})));
    handler.handle(midi(quarnel({0x07, 0x02, 0x05})));
    handler.handle(midi(sysexsamples::testLogAnswer(6, {})));
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(heard.size(), 4u);

    handler.handle(midi(sysexsamples::testLogWithoutCount(5)));
    EXPECT_EQ(events, std::vector<std::string>{"test 5 success No result for test LEDs\n"});
}

TEST_F(SysExAnswerHandlerTest, AnswerBeforeTheRequestIsSentCompletesNothing)
{
    queueRequest(SysExRequests::infoRequest(InfoRequestType::serialNumber), "serial");
    handler.handle(midi(sysexsamples::infoAnswer(0x02, "TV-1")));
    EXPECT_TRUE(events.empty());

    sendNext();
    EXPECT_EQ(sends, 1);
    handler.handle(midi(sysexsamples::infoAnswer(0x02, "TV-1")));
    EXPECT_EQ(events, std::vector<std::string>{"serial success TV-1"});
}
} // namespace
