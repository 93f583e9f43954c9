#include "InstrumentLink.h"
#include "SimulatedInstrument.h"
#include "midiUsb/SysExAnswerParser.h"
#include "midiUsb/SysExFactory.h"
#include "midiUsb/SysExRequests.h"
#include "support/LogCapture.h"
#include "support/MessageLoop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fmt/format.h>

namespace
{
using namespace std::chrono_literals;
using simulator::InstrumentData;
using simulator::Misbehaviour;
using testing::ElementsAre;

std::string nameOf(const midiUsb::SysExFactory::Table& table, int id)
{
    return std::string(midiUsb::SysExFactory::find(table, static_cast<unsigned>(id))
                           .value_or(midiUsb::SysExAnswerParser::unknownName));
}

// The texts a back-up expects, written out from the answer formats.
std::string testLogText(int id,
                        const std::optional<std::vector<simulator::SysExAnswerBuilder::TestLogEntry>>& log)
{
    const auto name =
        std::string(*midiUsb::SysExFactory::find(midiUsb::SysExFactory::testIDs, static_cast<unsigned>(id)));
    if (!log)
        return "No result for test " + name + "\n";
    auto text = std::string(41, '=') + "\n" + fmt::format("Test : ID {}, {}\n", id, name);
    for (const auto& entry : *log)
        text +=
            fmt::format("Instruction : ID {} ; {} with timeout = {} --> result = {}\n", entry.instructionId,
                        nameOf(midiUsb::SysExFactory::instructionIDs, entry.instructionId), entry.timeout,
                        nameOf(midiUsb::SysExFactory::status, entry.resultCode));
    return text;
}

std::string touchText(const std::vector<simulator::SysExAnswerBuilder::TouchBlock>& blocks)
{
    std::string text;
    for (const auto& block : blocks)
        for (const auto& [label, row] :
             {std::pair{"press", block.press}, std::pair{"aftertouch", block.aftertouch},
              std::pair{"left", block.left}, std::pair{"right", block.right}})
            text += fmt::format("{},{},{},{},{}\n", block.key, label, row.x, row.y, row.z);
    return text;
}

std::string keyText(int key, const std::vector<simulator::SysExAnswerBuilder::KeyPositionEntry>& grid)
{
    std::string text;
    for (const auto& entry : grid)
        text += fmt::format("{},{},{},{},{},{}\n", key, entry.gridIndex, entry.horizontal, entry.position.x,
                            entry.position.y, entry.position.z);
    return text;
}

class InstrumentRoundTripTest : public testing::Test
{
protected:
    InstrumentRoundTripTest()
    {
        instrument.connect();
        link = std::make_unique<simulator::InstrumentLink>(bus, handler);
        link->onMessageHandled = [this](const juce::MidiMessage&)
        { handledOnMessageThread.push_back(juce::MessageManager::getInstance()->isThisTheMessageThread()); };
        handler.startTimer(midiUsb::SysExMidiHandler::tickPeriodMs);
    }

    ~InstrumentRoundTripTest() override
    {
        handler.stopTimer();
        link.reset();
        instrument.disconnect();
    }

    // Queues the request; its outcome lands in `outcomes`, in order.
    void ask(const juce::MidiMessage& request)
    {
        handler.addMessageToQueue(
            request, [this] { outcomes.push_back("timeout"); },
            [this](const juce::String& text) { outcomes.push_back(text.toStdString()); },
            [this] { outcomes.push_back("empty"); });
    }

    bool drain(std::chrono::milliseconds timeout = 20s)
    {
        return testsupport::pumpUntil([this] { return handler.getRequestQueue().isEmpty(); }, timeout);
    }

    testsupport::LogCapture log;
    simulator::VirtualMidiBus bus;
    simulator::SimulatedInstrument instrument{bus};
    midiUsb::SysExMidiHandler handler;
    std::unique_ptr<simulator::InstrumentLink> link;
    std::vector<std::string> outcomes;
    std::vector<bool> handledOnMessageThread;
};

TEST_F(InstrumentRoundTripTest, everyBackUpAndVersionRequestIsAnsweredByteExactOnTheMessageThread)
{
    ASSERT_TRUE(link->isOpen());
    instrument.setFirmwareVersion("2.3.1-factory");
    const auto data = instrument.getData();

    ask(midiUsb::SysExRequests::infoRequest(midiUsb::InfoRequestType::firmwareVersion));
    ask(midiUsb::SysExRequests::infoRequest(midiUsb::InfoRequestType::ormelVersion));
    ask(midiUsb::SysExRequests::infoRequest(midiUsb::InfoRequestType::serialNumber));
    std::vector<std::string> expected{"2.3.1-factory", data.ormelVersion.toStdString(),
                                      data.serialNumber.toStdString()};
    for (const auto& [id, name] : midiUsb::SysExFactory::testIDs)
    {
        ask(midiUsb::SysExRequests::testLogRequest(static_cast<int>(id)));
        expected.push_back(testLogText(static_cast<int>(id), data.testLogs.at(static_cast<int>(id))));
    }
    ask(midiUsb::SysExRequests::touchCalibrationRequest());
    expected.push_back(touchText(data.touchCalibration));
    for (int key = 0; key < InstrumentData::keyCount; ++key)
    {
        ask(midiUsb::SysExRequests::keyPositionCalibrationRequest(key));
        expected.push_back(keyText(key, data.keyPositions.at(key)));
    }

    ASSERT_TRUE(drain());
    EXPECT_EQ(outcomes, expected);
    EXPECT_EQ(instrument.getRequests().size(), expected.size());
    EXPECT_EQ(handledOnMessageThread, std::vector<bool>(expected.size(), true));
    EXPECT_EQ(link->countMessagesOnMessageThread(), 0);
    EXPECT_EQ(log.count(spdlog::level::warn, "MessageRequestQueue: Current request timedout !"), 0);
    // Spot checks written out by hand.
    EXPECT_EQ(outcomes[3 + 13].substr(0, 20), "0,press,120,0,0\n0,af");
    EXPECT_THAT(outcomes[3 + 4], testing::StartsWith("No result for test Menu LEDs\n"));
}

TEST_F(InstrumentRoundTripTest, aTestLogReadsAsTheFactoryTablesSay)
{
    auto data = instrument.getData();
    data.testLogs[5] = std::vector<simulator::SysExAnswerBuilder::TestLogEntry>{{405, 10, 1}, {4, 16383, 0}};
    data.testLogs[12] = std::vector<simulator::SysExAnswerBuilder::TestLogEntry>{};
    instrument.setData(data);

    ask(midiUsb::SysExRequests::testLogRequest(5));
    ask(midiUsb::SysExRequests::testLogRequest(12));
    ask(midiUsb::SysExRequests::testLogRequest(9));
    ASSERT_TRUE(drain());
    EXPECT_THAT(
        outcomes,
        ElementsAre("=========================================\n"
                    "Test : ID 5, LEDs\n"
                    "Instruction : ID 405 ; press button Previous octave with timeout = 10 --> result = "
                    "Success\n"
                    "Instruction : ID 4 ; is keyboard responding with timeout = 16383 --> result = Failure\n",
                    "=========================================\nTest : ID 12, Pedal\n",
                    "No result for test Menu LEDs\n"));
}

TEST_F(InstrumentRoundTripTest, aSilentInstrumentTimesOutAndTheNextRequestIsStillAnswered)
{
    instrument.misbehaveOnNext(Misbehaviour::silent);
    ask(midiUsb::SysExRequests::infoRequest(midiUsb::InfoRequestType::serialNumber));
    ask(midiUsb::SysExRequests::infoRequest(midiUsb::InfoRequestType::firmwareVersion));
    ASSERT_TRUE(drain());
    EXPECT_THAT(outcomes, ElementsAre("timeout", "2.3.1"));
}

TEST_F(InstrumentRoundTripTest, duplicatedAndForeignAnswersCompleteNothingElse)
{
    instrument.misbehaveOnNext(Misbehaviour::duplicated);
    instrument.misbehaveOnNext(Misbehaviour::foreignManufacturer);
    ask(midiUsb::SysExRequests::infoRequest(midiUsb::InfoRequestType::firmwareVersion));
    ask(midiUsb::SysExRequests::infoRequest(midiUsb::InfoRequestType::serialNumber));
    ask(midiUsb::SysExRequests::infoRequest(midiUsb::InfoRequestType::ormelVersion));
    ASSERT_TRUE(drain());
    // The duplicate meets a completed request; the foreign answer is not
    // the instrument's, so the serial number request waits in vain.
    EXPECT_THAT(outcomes, ElementsAre("2.3.1", "timeout", "1.8.0"));
    EXPECT_EQ(log.count(spdlog::level::err, "The Manufacturer ID of your device does not match Quarnel's"),
              1);
}

TEST_F(InstrumentRoundTripTest, wrongSubCodesAndTruncatedAnswersNeverPassForTheRightOnes)
{
    instrument.misbehaveOnNext(Misbehaviour::wrongSubCodes);
    instrument.misbehaveOnNext(Misbehaviour::truncated);
    instrument.misbehaveOnNext(Misbehaviour::wrongSubCodes);
    ask(midiUsb::SysExRequests::keyPositionCalibrationRequest(11));
    ask(midiUsb::SysExRequests::touchCalibrationRequest());
    ask(midiUsb::SysExRequests::infoRequest(midiUsb::InfoRequestType::firmwareVersion));
    ASSERT_TRUE(drain());
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0], "timeout") << "an answer naming other sub-codes is not this request's";
    EXPECT_EQ(outcomes[1], "empty") << "a truncated answer completes its request as invalid";
    EXPECT_EQ(outcomes[2], "empty") << "an info answer without its marker carries no result";
}
} // namespace
