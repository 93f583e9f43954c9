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
    }

    ~InstrumentRoundTripTest() override
    {
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

// A request whose answer goes astray times out; an answer that is not its
// request's completes nothing, or the request as invalid; the next request is
// answered as usual.
TEST_F(InstrumentRoundTripTest, misbehavingAnswersNeverPassForTheRightOnes)
{
    using midiUsb::SysExRequests;
    const auto info = [](midiUsb::InfoRequestType type) { return SysExRequests::infoRequest(type); };
    struct Row
    {
        std::vector<Misbehaviour> misbehaviours;
        std::vector<juce::MidiMessage> requests;
        std::vector<std::string> outcomes;
    };
    const Row rows[] = {
        {{Misbehaviour::silent},
         {info(midiUsb::InfoRequestType::serialNumber), info(midiUsb::InfoRequestType::firmwareVersion)},
         {"timeout", "2.3.1"}},
        // The duplicate meets a completed request; the foreign answer is not
        // the instrument's, so the serial number request waits in vain.
        {{Misbehaviour::duplicated, Misbehaviour::foreignManufacturer},
         {info(midiUsb::InfoRequestType::firmwareVersion), info(midiUsb::InfoRequestType::serialNumber),
          info(midiUsb::InfoRequestType::ormelVersion)},
         {"2.3.1", "timeout", "1.8.0"}},
        // Other sub-codes: another request's answer; truncated: its own, invalid;
        // an info answer without its marker carries no result.
        {{Misbehaviour::wrongSubCodes, Misbehaviour::truncated, Misbehaviour::wrongSubCodes},
         {SysExRequests::keyPositionCalibrationRequest(11), SysExRequests::touchCalibrationRequest(),
          info(midiUsb::InfoRequestType::firmwareVersion)},
         {"timeout", "empty", "empty"}},
    };
    for (const auto& row : rows)
    {
        outcomes.clear();
        for (const auto misbehaviour : row.misbehaviours)
            instrument.misbehaveOnNext(misbehaviour);
        for (const auto& request : row.requests)
            ask(request);
        ASSERT_TRUE(drain());
        EXPECT_EQ(outcomes, row.outcomes);
    }
    EXPECT_EQ(log.count(spdlog::level::err, "The Manufacturer ID of your device does not match Quarnel's"),
              1);
}
} // namespace
