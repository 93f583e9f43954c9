#include "SimulatedInstrument.h"
#include "TaveloPlayResponder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>

namespace
{
using namespace std::chrono_literals;
using simulator::InstrumentData;
using simulator::Misbehaviour;
using simulator::TaveloPlayResponder;
using Bytes = simulator::SysExAnswerBuilder::Bytes;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;

InstrumentData smallData()
{
    InstrumentData data;
    data.firmwareVersion = "2.3.1";
    data.testLogs[5] = std::vector<simulator::SysExAnswerBuilder::TestLogEntry>{{405, 10, 1}};
    data.testLogs[9] = std::nullopt;
    data.touchCalibration.push_back({0, {120, -5, 0}, {16384, 7, -1}, {0, 0, 0}, {2097151, -2097151, 1}});
    data.keyPositions[11] = {{3, -5, {7, 16384, -1}}};
    return data;
}

std::optional<Bytes> answerTo(const Bytes& request)
{
    return TaveloPlayResponder::answer(request, smallData());
}

TEST(TaveloPlayResponder, answersEachRequestInTheProtocolsBytes)
{
    EXPECT_THAT(*answerTo({0xF0, 0x00, 0x6B, 0x2D, 0x0C, 0x04, 0xF7}),
                ElementsAre(0xF0, 0x00, 0x6B, 0x2D, 0x0D, 0x04, 0x05, 0x00, '2', '.', '3', '.', '1', 0xF7));
    EXPECT_THAT(*answerTo({0xF0, 0x00, 0x6B, 0x2D, 0x0C, 0x06, 0xF7}),
                ElementsAre(0xF0, 0x00, 0x6B, 0x2D, 0x0D, 0x06, 0x05, 0x00, '1', '.', '8', '.', '0', 0xF7));
    EXPECT_EQ(answerTo({0xF0, 0x00, 0x6B, 0x2D, 0x0C, 0x02, 0xF7})->size(), 9u + 13u);

    // Instruction 405 is 03 15, time-out 10 is 00 0A, result 1.
    EXPECT_THAT(
        *answerTo({0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x01, 0x05, 0xF7}),
        ElementsAre(0xF0, 0x00, 0x6B, 0x2D, 0x07, 0x01, 0x05, 0x01, 0x03, 0x15, 0x00, 0x0A, 0x01, 0xF7));
    EXPECT_THAT(*answerTo({0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x01, 0x09, 0xF7}),
                ElementsAre(0xF0, 0x00, 0x6B, 0x2D, 0x07, 0x01, 0x09, 0xF7));

    const Bytes touch = *answerTo({0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x01, 0xF7});
    const Bytes expectedTouch{0xF0, 0x00, 0x6B, 0x2D, 0x07, 0x04, 0x01, 0x01, 0x00,
                              // press: 120, -5, 0
                              0x00, 0x00, 0x00, 0x78, 0x01, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00,
                              // aftertouch: 16384, 7, -1
                              0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x01, 0x00, 0x00, 0x01,
                              // left: zeros
                              0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                              // right: the largest magnitudes
                              0x00, 0x7F, 0x7F, 0x7F, 0x01, 0x7F, 0x7F, 0x7F, 0x00, 0x00, 0x00, 0x01, 0xF7};
    EXPECT_THAT(touch, ElementsAreArray(expectedTouch));

    EXPECT_THAT(*answerTo({0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x02, 0x0B, 0xF7}),
                ElementsAre(0xF0, 0x00, 0x6B, 0x2D, 0x07, 0x04, 0x02, 0x0B, 0x01, 0x03, 0x01, 0x05, 0x00,
                            0x00, 0x00, 0x07, 0x00, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0xF7));
    EXPECT_THAT(*answerTo({0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x02, 0x0C, 0xF7}),
                ElementsAre(0xF0, 0x00, 0x6B, 0x2D, 0x07, 0x04, 0x02, 0x0C, 0x00, 0xF7))
        << "a key without a grid has no entry";
}

TEST(TaveloPlayResponder, theTypicalInstrumentsTouchAnswerHoldsFortyNineBlocks)
{
    const auto touch = TaveloPlayResponder::answer({0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x01, 0xF7},
                                                   InstrumentData::makeTypical());
    ASSERT_TRUE(touch);
    EXPECT_EQ(touch->size(), 2410u);
    for (size_t block = 0; block < 49; ++block)
        EXPECT_EQ((*touch)[8 + 49 * block], block);
}

TEST(TaveloPlayResponder, leavesUnansweredWhatAwaitsNoAnswer)
{
    EXPECT_FALSE(answerTo({0xF0, 0x00, 0x6B, 0x2D, 0x08, 0xF7}));
    EXPECT_FALSE(answerTo({0xF0, 0x00, 0x6B, 0x2D, 0x08, 0x01, 0x00, 0xF7}));
    EXPECT_FALSE(answerTo({0xF0, 0x00, 0x6B, 0x2D, 0x0E, 0x0F, 0x00, 0x01, 0x01, 0xF7}));
    EXPECT_FALSE(answerTo({0xF0, 0x00, 0x6B, 0x2D, 0x1C, 0x20, 0x0A, 0x7E, 0x04, 0x37, 0xF7}));
    EXPECT_FALSE(answerTo({0xF0, 0x00, 0x20, 0x29, 0x0C, 0x04, 0xF7})) << "another maker's request";
    EXPECT_FALSE(answerTo({0xF0, 0x00, 0x6B, 0x2D, 0x0C, 0x04})) << "no end";
    EXPECT_FALSE(answerTo({0x90, 0x3C, 0x40}));
}

TEST(TaveloPlayResponder, spoilsAnAnswerAsAsked)
{
    const Bytes answer = *answerTo({0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x02, 0x0B, 0xF7});
    EXPECT_THAT(TaveloPlayResponder::spoil(answer, Misbehaviour::none), ElementsAre(answer));
    EXPECT_THAT(TaveloPlayResponder::spoil(answer, Misbehaviour::silent), IsEmpty());
    EXPECT_THAT(TaveloPlayResponder::spoil(answer, Misbehaviour::duplicated), ElementsAre(answer, answer));

    const auto truncated = TaveloPlayResponder::spoil(answer, Misbehaviour::truncated).at(0);
    EXPECT_LT(truncated.size(), answer.size());
    EXPECT_EQ(truncated.back(), 0xF7);
    EXPECT_TRUE(std::equal(truncated.begin(), truncated.end() - 1, answer.begin()));

    const auto wrong = TaveloPlayResponder::spoil(answer, Misbehaviour::wrongSubCodes).at(0);
    EXPECT_NE(wrong[6], answer[6]);
    const auto foreign = TaveloPlayResponder::spoil(answer, Misbehaviour::foreignManufacturer).at(0);
    EXPECT_THAT(Bytes(foreign.begin() + 1, foreign.begin() + 4), testing::Not(ElementsAre(0x00, 0x6B, 0x2D)));
    EXPECT_TRUE(std::equal(foreign.begin() + 4, foreign.end(), answer.begin() + 4));
}

// The system's side of the instrument's ports, opened straight on the bus.
class SimulatedInstrumentTest : public testing::Test, private midiUsb::MidiInputReceiver
{
protected:
    void open()
    {
        instrument.connect();
        ASSERT_EQ(bus.getInputs().size(), 1u);
        ASSERT_EQ(bus.getOutputs().size(), 1u);
        EXPECT_EQ(bus.getInputs()[0].name, "Tavelo play");
        EXPECT_EQ(bus.getOutputs()[0].name, "Tavelo play");
        input = bus.openInput(bus.getInputs()[0].identifier, *this);
        output = bus.openOutput(bus.getOutputs()[0].identifier);
        input->start();
    }

    void send(std::uint8_t infoType)
    {
        const std::uint8_t bytes[] = {0xF0, 0x00, 0x6B, 0x2D, 0x0C, infoType, 0xF7};
        output->sendMessageNow(juce::MidiMessage(bytes, sizeof(bytes)));
    }

    std::vector<juce::String> answers()
    {
        const std::lock_guard lock(mutex);
        std::vector<juce::String> texts;
        for (const auto& message : received)
        {
            const auto bytes = simulator::SysExAnswerBuilder::toBytes(message);
            texts.push_back(juce::String::fromUTF8(reinterpret_cast<const char*>(bytes.data()) + 8,
                                                   static_cast<int>(bytes.size()) - 9));
        }
        return texts;
    }

    void midiMessageReceived(midiUsb::MidiInputPort&, const juce::MidiMessage& message) override
    {
        const std::lock_guard lock(mutex);
        received.push_back(message);
        arrivals.push_back(std::chrono::steady_clock::now());
    }

    simulator::VirtualMidiBus bus;
    simulator::SimulatedInstrument instrument{bus, smallData()};
    std::mutex mutex;
    std::vector<juce::MidiMessage> received;
    std::vector<std::chrono::steady_clock::time_point> arrivals;
    std::unique_ptr<midiUsb::MidiInputPort> input;
    std::unique_ptr<midiUsb::MidiOutputPort> output;
};

TEST_F(SimulatedInstrumentTest, answersOneByOneInRequestOrderAfterItsLatency)
{
    open();
    instrument.setLatency(60ms);
    instrument.setData(
        []
        {
            auto data = smallData();
            data.serialNumber = "SN1";
            return data;
        }());
    const auto start = std::chrono::steady_clock::now();
    send(0x02);
    send(0x04);
    send(0x06);
    ASSERT_TRUE(instrument.waitUntilIdle(10s));
    ASSERT_TRUE(bus.waitUntilDelivered(10s));
    EXPECT_THAT(answers(), ElementsAre("SN1", "2.3.1", "1.8.0"));
    EXPECT_EQ(instrument.getRequests().size(), 3u);
    const std::lock_guard lock(mutex);
    EXPECT_GE(arrivals[0] - start, 60ms);
    EXPECT_GE(arrivals[2] - start, 180ms) << "one request at a time";
}

TEST_F(SimulatedInstrumentTest, misbehavesOnTheNextRequestsThenAnswersAsUsual)
{
    open();
    instrument.setLateDelay(150ms);
    instrument.misbehaveOnNext(Misbehaviour::silent);
    instrument.misbehaveOnNext(Misbehaviour::late);
    instrument.misbehaveOnNext(Misbehaviour::duplicated);
    const auto start = std::chrono::steady_clock::now();
    send(0x02);
    send(0x04);
    send(0x06);
    send(0x04);
    ASSERT_TRUE(instrument.waitUntilIdle(10s));
    ASSERT_TRUE(bus.waitUntilDelivered(10s));
    EXPECT_THAT(answers(), ElementsAre("2.3.1", "1.8.0", "1.8.0", "2.3.1"));
    const std::lock_guard lock(mutex);
    EXPECT_GE(arrivals[0] - start, 150ms);

    instrument.setFirmwareVersion("2.3.1-factory");
    instrument.setMisbehaviour(Misbehaviour::silent);
    send(0x04);
    ASSERT_TRUE(instrument.waitUntilIdle(10s));
    ASSERT_TRUE(bus.waitUntilDelivered(10s));
    EXPECT_EQ(received.size(), 4u);
}

TEST_F(SimulatedInstrumentTest, unpluggingTakesThePortsAwayAndReplugAnswersAgain)
{
    open();
    instrument.setLatency(100ms);
    send(0x04);
    instrument.disconnect();
    EXPECT_THAT(bus.getInputs(), IsEmpty());
    EXPECT_THAT(bus.getOutputs(), IsEmpty());
    ASSERT_TRUE(instrument.waitUntilIdle(10s));
    ASSERT_TRUE(bus.waitUntilDelivered(10s));
    EXPECT_THAT(answers(), IsEmpty()) << "the answer under way is lost with the ports";

    instrument.setLatency(0ms);
    open();
    instrument.setFirmwareVersion("2.4.0-factory");
    send(0x04);
    ASSERT_TRUE(instrument.waitUntilIdle(10s));
    ASSERT_TRUE(bus.waitUntilDelivered(10s));
    EXPECT_THAT(answers(), ElementsAre("2.4.0-factory"));
}
} // namespace
