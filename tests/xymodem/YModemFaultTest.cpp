#include "ControlBytes.h"
#include "XYModemExceptions.h"
#include "support/TransferRig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

using namespace xymodemtest;
using namespace testsupport;
using namespace std::chrono_literals;
using xymodem::ACK;
using xymodem::CAN;
using xymodem::CRC_REQUEST;
using xymodem::NAK;
using Kind = ReceiverModel::Kind;
using Event = ReceiverModel::Event;
using Reply = ReceiverModel::Reply;
using OptionalReply = std::optional<ReceiverModel::Reply>;

namespace
{
Reply refuse(Bytes answer)
{
    return Reply{{std::move(answer)}, false};
}

// 3000 bytes: packets 1, 2 and a last one of 952 bytes.
constexpr size_t threePackets = 3000;

const char* kindName(Kind kind)
{
    return kind == Kind::header ? "Header"
           : kind == Kind::data ? "DataPacket"
           : kind == Kind::eot  ? "Eot"
                                : "EndOfBatch";
}

// Whether the event is the step a test aims at: for data, the packet at
// the given position in its file.
bool isTarget(const Event& event, Kind kind, int position)
{
    return event.kind == kind && (kind != Kind::data || event.position == position);
}

int sendings(const TransferRig& rig, Kind kind, int position)
{
    const auto& events = rig.receiver.events();
    return static_cast<int>(std::count_if(
        events.begin(), events.end(), [&](const Event& event) { return isTarget(event, kind, position); }));
}

// The receiver answers the target step `times` times with `answer` (a
// refusal), then as usual.
void refuseTarget(TransferRig& rig, Kind kind, int position, int times, Bytes answer)
{
    rig.receiver.setFault(
        [=](const Event& event) -> OptionalReply
        {
            if (!isTarget(event, kind, position) || event.attempt >= times)
                return std::nullopt;
            return refuse(answer);
        });
}

void expectWholeFile(const TransferRig& rig, const std::string& content)
{
    EXPECT_TRUE(rig.receiver.problems().empty());
    ASSERT_EQ(rig.receiver.files().size(), 1u);
    EXPECT_TRUE(rig.receiver.files()[0].data == content);
    EXPECT_TRUE(rig.receiver.batchEnded());
    EXPECT_EQ(rig.cancelCount(), 0);
}
} // namespace

// A packet, an EOT or a header is re-sent at most 11 times: the 12th
// refusal in a row ends the transfer and cancels the receiver. A receiver
// that lost the header or a file's first packet asks for it again with "C"
// rather than NAK: that re-sends it at once, under the same limits. Stray
// bytes between the refusals change nothing.
struct Refusal
{
    Kind kind;
    int position; // data: packet in the file
    Bytes answer;
    int times;
};

class RetryLimits : public testing::TestWithParam<Refusal>
{
};

TEST_P(RetryLimits, ElevenResendsAndNoMore)
{
    const auto& row = GetParam();
    TransferRig rig(300ms);
    const auto content = randomContent(threePackets, 11);
    refuseTarget(rig, row.kind, row.position, row.times, row.answer);
    rig.receiverStarts();
    const auto send = [&] { rig.send({rig.folder.writeFile("image.sfb", content)}); };
    if (row.times <= 11)
    {
        send();
        expectWholeFile(rig, content);
    }
    else
    {
        EXPECT_THROW(send(), XYModemExceptions::TransmissionAborted);
        EXPECT_TRUE(rig.lastWriteIsCancel());
    }
    EXPECT_EQ(sendings(rig, row.kind, row.position), std::min(row.times, 11) + 1);
}

namespace
{
std::vector<Refusal> refusals()
{
    std::vector<Refusal> rows;
    for (const auto& [kind, position] :
         {std::pair{Kind::header, 0}, {Kind::data, 1}, {Kind::eot, 0}, {Kind::endOfBatch, 0}})
        for (const auto& answer : {Bytes{NAK}, Bytes{0x7F, NAK}})
            for (const int times : {11, 12})
                rows.push_back({kind, position, answer, times});
    for (const auto& [kind, position] : {std::pair{Kind::header, 0}, {Kind::data, 0}, {Kind::endOfBatch, 0}})
        for (const int times : {1, 11, 100})
            rows.push_back({kind, position, {CRC_REQUEST}, times});
    return rows;
}
} // namespace

INSTANTIATE_TEST_SUITE_P(Steps, RetryLimits, testing::ValuesIn(refusals()),
                         [](const testing::TestParamInfo<Refusal>& row)
                         {
                             const auto& r = row.param;
                             return std::string(kindName(r.kind)) + std::to_string(r.position) +
                                    (r.answer == Bytes{CRC_REQUEST} ? "Requested"
                                     : r.answer.size() > 1          ? "StrayNaked"
                                                                    : "Naked") +
                                    std::to_string(r.times);
                         });

TEST(Resends, ANakedLastPacketIsSentAgainAndThenEot)
{
    TransferRig rig;
    const auto content = randomContent(threePackets, 12);
    refuseTarget(rig, Kind::data, 2, 1, {NAK});
    rig.receiverStarts();
    rig.send({rig.folder.writeFile("image.sfb", content)});

    const auto& writes = rig.device.writes();
    ASSERT_EQ(writes.size(), 7u); // header, 1, 2, 3, 3 again, EOT, end of batch
    EXPECT_EQ(writes[3], writes[4]);
    EXPECT_EQ(writes[5], Bytes{xymodem::EOT});
    EXPECT_EQ(std::count(rig.progress.begin(), rig.progress.end(), 1.0f), 2);
    expectWholeFile(rig, content);
}

TEST(Resends, AResendAfterThePacketNumberWrappedRepeatsTheRightBlock)
{
    TransferRig rig;
    const auto content = randomContent(300 * 1024 + 5, 13);
    // Packet number 15 the second time round.
    refuseTarget(rig, Kind::data, 270, 2, {NAK});
    rig.receiverStarts();
    rig.send({rig.folder.writeFile("image.sfb", content)});
    expectWholeFile(rig, content);
}

// The receiver's CAN ends the transfer in every state that waits for it; the
// receiver has cancelled, so nothing more is written.
struct CancelCase
{
    const char* name;
    bool cancelAtStart;
    ReceiverModel::Fault fault;
};

class CancelByReceiver : public testing::TestWithParam<CancelCase>
{
};

TEST_P(CancelByReceiver, AbortsWithoutWritingAnythingMore)
{
    TransferRig rig;
    rig.receiver.setFault(GetParam().fault);
    if (GetParam().cancelAtStart)
        rig.device.arriveWhileWaiting({{CAN}});
    else
        rig.receiverStarts();
    EXPECT_THROW(rig.send({rig.folder.writeFile("image.sfb", randomContent(threePackets, 14))}),
                 XYModemExceptions::TransmissionAborted);
    EXPECT_EQ(rig.device.writes().size(), rig.receiver.events().size());
    EXPECT_EQ(rig.cancelCount(), 0);
}

namespace
{
ReceiverModel::Fault cancelOn(Kind kind, int attempt, bool nakFirst, Bytes acceptedAnswer = {})
{
    return [=](const Event& event) -> OptionalReply
    {
        if (event.kind != kind)
            return std::nullopt;
        if (!acceptedAnswer.empty())
            return Reply{{acceptedAnswer, {CAN}}, true};
        if (nakFirst && event.attempt < attempt)
            return refuse({NAK});
        if (event.attempt == attempt)
            return refuse({CAN});
        return std::nullopt;
    };
}
} // namespace

INSTANTIATE_TEST_SUITE_P(
    WaitingStates, CancelByReceiver,
    testing::Values(CancelCase{"BeforeTheFirstRequest", true, nullptr},
                    CancelCase{"AfterTheHeader", false, cancelOn(Kind::header, 0, false)},
                    CancelCase{"AfterAResentHeader", false, cancelOn(Kind::header, 1, true)},
                    CancelCase{"InsteadOfTheDataRequest", false, cancelOn(Kind::header, 0, false, {ACK})},
                    CancelCase{"AfterADataPacket", false, cancelOn(Kind::data, 0, false)},
                    CancelCase{"AfterAResentDataPacket", false, cancelOn(Kind::data, 1, true)},
                    CancelCase{"AfterEot", false, cancelOn(Kind::eot, 0, false)},
                    CancelCase{"AfterAResentEot", false, cancelOn(Kind::eot, 1, true)},
                    CancelCase{"InsteadOfTheNextHeaderRequest", false, cancelOn(Kind::eot, 0, false, {ACK})},
                    CancelCase{"AfterTheEndOfBatch", false, cancelOn(Kind::endOfBatch, 0, false)}),
    [](const testing::TestParamInfo<CancelCase>& state) { return state.param.name; });

// Bytes that answer nothing are ignored wherever they come, alone or in
// front of the answer: no extra packet. So is a "C" while the ACK of a
// packet after the first is awaited: it never skips a packet.
class StrayBytes : public testing::TestWithParam<std::tuple<uint8_t, bool>>
{
};

TEST_P(StrayBytes, AreIgnoredInEveryState)
{
    const auto [stray, sameRead] = GetParam();
    TransferRig rig(300ms);
    const auto content = randomContent(threePackets, 15);
    rig.receiver.setFault(
        [&rig, stray = stray, sameRead = sameRead](const Event& event) -> OptionalReply
        {
            // A "C" only where the receiver asks for no first block.
            if (stray == CRC_REQUEST && !(event.kind == Kind::data && event.position > 0))
                return std::nullopt;
            ReceiverModel plain;
            auto reads = plain.onWrite(rig.device.writes().back());
            if (sameRead)
                reads.front().insert(reads.front().begin(), stray);
            else
                reads.insert(reads.begin(), Bytes{stray});
            return Reply{reads, true};
        });
    rig.device.arriveWhileWaiting({{stray}, {CRC_REQUEST}});
    rig.send({rig.folder.writeFile("image.sfb", content)});

    expectWholeFile(rig, content);
    EXPECT_EQ(rig.device.writes().size(), 3u + 3u);
}

INSTANTIATE_TEST_SUITE_P(Bytes, StrayBytes,
                         testing::Combine(testing::Values(0x00, 0x01, 0x7F, 0xFF, CRC_REQUEST),
                                          testing::Bool()));

// Silence where an answer is due ends the transfer after the read time-out
// and cancels the receiver; after the end of the batch every file has been
// acknowledged, so it completes the transfer.
struct SilenceCase
{
    const char* name;
    Kind silentAfter; // Kind::invalid: before the first request
    bool completes;
};

class Silence : public testing::TestWithParam<SilenceCase>
{
};

TEST_P(Silence, EndsTheTransferAfterTheTimeOut)
{
    const auto& row = GetParam();
    TransferRig rig(300ms);
    rig.receiver.setFault(
        [kind = row.silentAfter](const Event& event) -> OptionalReply
        {
            if (event.kind == kind)
                return Reply{{}, true};
            return std::nullopt;
        });
    if (row.silentAfter != Kind::invalid)
        rig.receiverStarts();
    const auto started = std::chrono::steady_clock::now();
    const auto send = [&] { rig.send({rig.folder.writeFile("image.sfb", randomContent(threePackets, 17))}); };
    if (row.completes)
        EXPECT_NO_THROW(send());
    else
        EXPECT_THROW(send(), XYModemExceptions::Timeout);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    EXPECT_EQ(rig.cancelCount(), row.completes ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Phases, Silence,
                         testing::Values(SilenceCase{"BeforeTheFirstRequest", Kind::invalid, false},
                                         SilenceCase{"AfterTheHeader", Kind::header, false},
                                         SilenceCase{"AfterADataPacket", Kind::data, false},
                                         SilenceCase{"AfterEot", Kind::eot, false},
                                         SilenceCase{"AfterTheEndOfBatch", Kind::endOfBatch, true}),
                         [](const auto& phase) { return std::string(phase.param.name); });

// A stop request ends the transfer at once: transmit returns normally and
// nothing but the cancel is written after it.
class StopRequest : public testing::TestWithParam<size_t>
{
};

TEST_P(StopRequest, EndsTheTransferWithOnlyACancel)
{
    const auto writesBeforeStop = GetParam();
    TransferRig rig;
    rig.stopRequest = [&rig, writesBeforeStop] { return rig.device.writes().size() >= writesBeforeStop; };
    if (writesBeforeStop > 0)
        rig.receiverStarts();
    EXPECT_NO_THROW(rig.send({rig.folder.writeFile("image.sfb", randomContent(threePackets, 18))}));
    ASSERT_EQ(rig.device.writes().size(), writesBeforeStop + 1);
    EXPECT_TRUE(rig.lastWriteIsCancel());
}

// Before the start, after the header, after each data packet, after EOT and
// after the end of the batch.
INSTANTIATE_TEST_SUITE_P(Phases, StopRequest, testing::Values(0, 1, 2, 3, 4, 5, 6));
