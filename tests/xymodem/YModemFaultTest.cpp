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
} // namespace

// A packet, an EOT or a header is re-sent at most 11 times: the 12th NAK in
// a row ends the transfer.
class RetryLimits : public testing::TestWithParam<Kind>
{
protected:
    // NAKs the chosen step `naks` times in a row, each NAK preceded by
    // `noise` in the same read when given.
    void runWithNaks(int naks, Bytes noise = {})
    {
        const auto kind = GetParam();
        rig.receiver.setFault(
            [=](const Event& event) -> OptionalReply
            {
                const bool target = event.kind == kind && (kind != Kind::data || event.position == 1);
                if (!target || event.attempt >= naks)
                    return std::nullopt;
                auto answer = noise;
                answer.push_back(NAK);
                return refuse(answer);
            });
        path = rig.folder.writeFile("image.sfb", content);
        rig.receiverStarts();
        rig.send({path});
    }

    int sendingsOfTheTarget() const
    {
        int count = 0;
        for (const auto& event : rig.receiver.events())
            if (event.kind == GetParam() && (GetParam() != Kind::data || event.position == 1))
                ++count;
        return count;
    }

    TransferRig rig;
    std::string content = randomContent(threePackets, 11);
    std::filesystem::path path;
};

TEST_P(RetryLimits, ElevenNaksInARowAreAnsweredByElevenResends)
{
    runWithNaks(11);
    EXPECT_TRUE(rig.receiver.problems().empty());
    EXPECT_EQ(sendingsOfTheTarget(), 12);
    ASSERT_EQ(rig.receiver.files().size(), 1u);
    EXPECT_TRUE(rig.receiver.files()[0].data == content);
    EXPECT_TRUE(rig.receiver.batchEnded());
    EXPECT_EQ(rig.cancelCount(), 0);
    if (GetParam() == Kind::data)
    {
        // Every re-send is the same packet and reports the same progress again.
        EXPECT_EQ(rig.countWrites([&](const Bytes& w) { return w == rig.device.writes()[2]; }), 12);
        EXPECT_EQ(std::count(rig.progress.begin(), rig.progress.end(), 2.0f / 3), 12);
    }
}

TEST_P(RetryLimits, TheTwelfthNakAbortsAndCancelsTheReceiver)
{
    EXPECT_THROW(runWithNaks(12), XYModemExceptions::TransmissionAborted);
    EXPECT_EQ(sendingsOfTheTarget(), 12);
    EXPECT_TRUE(rig.lastWriteIsCancel());
    EXPECT_EQ(rig.cancelCount(), 1);
}

TEST_P(RetryLimits, StrayBytesBetweenNaksDoNotResetTheCount)
{
    EXPECT_THROW(runWithNaks(12, {0x7F}), XYModemExceptions::TransmissionAborted);
    EXPECT_EQ(sendingsOfTheTarget(), 12);
}

TEST_P(RetryLimits, StrayRequestsBetweenNaksDoNotResetTheCount)
{
    EXPECT_THROW(runWithNaks(12, {CRC_REQUEST}), XYModemExceptions::TransmissionAborted);
    EXPECT_EQ(sendingsOfTheTarget(), 12);
}

INSTANTIATE_TEST_SUITE_P(Steps, RetryLimits,
                         testing::Values(Kind::header, Kind::data, Kind::eot, Kind::endOfBatch),
                         [](const testing::TestParamInfo<Kind>& step)
                         {
                             switch (step.param)
                             {
                             case Kind::header:
                                 return "Header";
                             case Kind::data:
                                 return "DataPacket";
                             case Kind::eot:
                                 return "Eot";
                             default:
                                 return "EndOfBatch";
                             }
                         });

TEST(Resends, ANakedLastPacketIsSentAgainAndThenEot)
{
    TransferRig rig;
    const auto content = randomContent(threePackets, 12);
    rig.receiver.setFault(
        [](const Event& event) -> OptionalReply
        {
            if (event.kind == Kind::data && event.position == 2 && event.attempt == 0)
                return refuse({NAK});
            return std::nullopt;
        });
    rig.receiverStarts();
    rig.send({rig.folder.writeFile("image.sfb", content)});

    const auto& writes = rig.device.writes();
    ASSERT_EQ(writes.size(), 7u); // header, 1, 2, 3, 3 again, EOT, end of batch
    EXPECT_EQ(writes[3], writes[4]);
    EXPECT_EQ(writes[5], Bytes{xymodem::EOT});
    EXPECT_TRUE(rig.receiver.files()[0].data == content);
}

TEST(Resends, AResendAfterThePacketNumberWrappedRepeatsTheRightBlock)
{
    TransferRig rig;
    const auto content = randomContent(300 * 1024 + 5, 13);
    rig.receiver.setFault(
        [](const Event& event) -> OptionalReply
        {
            // Packet number 15 the second time round.
            if (event.kind == Kind::data && event.position == 270 && event.attempt < 2)
                return refuse({NAK});
            return std::nullopt;
        });
    rig.receiverStarts();
    rig.send({rig.folder.writeFile("image.sfb", content)});

    EXPECT_TRUE(rig.receiver.problems().empty());
    ASSERT_EQ(rig.receiver.files().size(), 1u);
    EXPECT_TRUE(rig.receiver.files()[0].data == content);
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

// Bytes that answer nothing are ignored wherever they come: the transfer
// goes on as if they had not been sent, with no extra packet.
class StrayBytes : public testing::TestWithParam<std::tuple<uint8_t, bool>>
{
};

TEST_P(StrayBytes, AreIgnoredInEveryState)
{
    const auto [stray, sameRead] = GetParam();
    TransferRig rig;
    const auto content = randomContent(threePackets, 15);
    rig.receiver.setFault(
        [&rig, stray = stray, sameRead = sameRead](const Event& event) -> OptionalReply
        {
            ReceiverModel plain;
            auto reads = plain.onWrite(rig.device.writes().back());
            if (reads.empty())
                return std::nullopt;
            if (sameRead)
                reads.front().insert(reads.front().begin(), stray);
            else
                reads.insert(reads.begin(), Bytes{stray});
            (void)event;
            return Reply{reads, true};
        });
    rig.device.arriveWhileWaiting({{stray}, {CRC_REQUEST}});
    rig.send({rig.folder.writeFile("image.sfb", content)});

    EXPECT_TRUE(rig.receiver.problems().empty());
    ASSERT_EQ(rig.receiver.files().size(), 1u);
    EXPECT_TRUE(rig.receiver.files()[0].data == content);
    EXPECT_TRUE(rig.receiver.batchEnded());
    EXPECT_EQ(rig.device.writes().size(), 3u + 3u);
}

INSTANTIATE_TEST_SUITE_P(Bytes, StrayBytes,
                         testing::Combine(testing::Values(0x00, 0x7F, 0xFF, 0x01, CRC_REQUEST),
                                          testing::Bool()));

TEST(StrayRequests, ARequestWhileAnAckIsAwaitedNeverSkipsAPacket)
{
    TransferRig rig(300ms);
    rig.receiver.setFault(
        [](const Event& event) -> OptionalReply
        {
            if (event.kind == Kind::data && event.position == 1)
                return Reply{{{CRC_REQUEST}, {CRC_REQUEST}}, true};
            return std::nullopt;
        });
    rig.receiverStarts();
    EXPECT_THROW(rig.send({rig.folder.writeFile("image.sfb", randomContent(threePackets, 16))}),
                 XYModemExceptions::Timeout);
    EXPECT_EQ(rig.countWrites([](const Bytes& w) { return isDataPacket(w, 2); }), 1);
    EXPECT_EQ(rig.countWrites([](const Bytes& w) { return isDataPacket(w, 3); }), 0);
    EXPECT_TRUE(rig.lastWriteIsCancel());
}

// A receiver that lost the first block of a transfer (the header, or a
// file's first packet) asks for it again with "C" rather than NAK: the
// second such request sends the block again, under the retry limits; a
// single one, which may have crossed the block on the line, does not.
class RequestedAgain : public testing::TestWithParam<Kind>
{
protected:
    void run(int lostTimes, int requestsEachTime)
    {
        const auto kind = GetParam();
        rig.receiver.setFault(
            [=](const Event& event) -> OptionalReply
            {
                const bool target = event.kind == kind && (kind != Kind::data || event.position == 0);
                if (!target || event.attempt >= lostTimes)
                    return std::nullopt;
                return Reply{std::vector<Bytes>(static_cast<size_t>(requestsEachTime), Bytes{CRC_REQUEST}),
                             false};
            });
        rig.receiverStarts();
        rig.send({rig.folder.writeFile("image.sfb", content)});
    }

    int sendingsOfTheTarget() const
    {
        int count = 0;
        for (const auto& event : rig.receiver.events())
            if (event.kind == GetParam() && (GetParam() != Kind::data || event.position == 0))
                ++count;
        return count;
    }

    TransferRig rig{300ms};
    std::string content = randomContent(threePackets, 21);
};

TEST_P(RequestedAgain, TheSecondRequestSendsTheLostBlockAgain)
{
    run(3, 2);
    EXPECT_TRUE(rig.receiver.problems().empty());
    EXPECT_EQ(sendingsOfTheTarget(), 4);
    ASSERT_EQ(rig.receiver.files().size(), 1u);
    EXPECT_TRUE(rig.receiver.files()[0].data == content);
    EXPECT_TRUE(rig.receiver.batchEnded());
    EXPECT_EQ(rig.cancelCount(), 0);
}

TEST_P(RequestedAgain, ASingleRequestSendsNothingAgain)
{
    EXPECT_THROW(run(1, 1), XYModemExceptions::Timeout);
    EXPECT_EQ(sendingsOfTheTarget(), 1);
    EXPECT_TRUE(rig.lastWriteIsCancel());
}

TEST_P(RequestedAgain, TheRetryLimitsHold)
{
    EXPECT_THROW(run(100, 2), XYModemExceptions::TransmissionAborted);
    EXPECT_EQ(sendingsOfTheTarget(), 12);
    EXPECT_TRUE(rig.lastWriteIsCancel());
}

INSTANTIATE_TEST_SUITE_P(FirstBlocks, RequestedAgain, testing::Values(Kind::header, Kind::data),
                         [](const testing::TestParamInfo<Kind>& block)
                         { return block.param == Kind::header ? "Header" : "FirstPacket"; });

// Silence where an answer is due ends the transfer after the read time-out,
// and the receiver is cancelled.
class Silence : public testing::TestWithParam<std::tuple<const char*, Kind>>
{
};

TEST_P(Silence, EndsInATimeoutAndACancel)
{
    const auto kind = std::get<1>(GetParam());
    TransferRig rig(300ms);
    rig.receiver.setFault(
        [kind](const Event& event) -> OptionalReply
        {
            if (event.kind == kind)
                return Reply{{}, true};
            return std::nullopt;
        });
    if (kind != Kind::invalid)
        rig.receiverStarts();
    const auto started = std::chrono::steady_clock::now();
    try
    {
        rig.send({rig.folder.writeFile("image.sfb", randomContent(threePackets, 17))});
        FAIL() << "no time-out";
    }
    catch (const XYModemExceptions::Timeout& timeout)
    {
        EXPECT_EQ(timeout.getSeconds(), 1);
    }
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, 300ms);
    EXPECT_LT(waited, 10s);
    EXPECT_TRUE(rig.lastWriteIsCancel());
    EXPECT_EQ(rig.cancelCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Phases, Silence,
                         testing::Values(std::make_tuple("BeforeTheFirstRequest", Kind::invalid),
                                         std::make_tuple("AfterTheHeader", Kind::header),
                                         std::make_tuple("AfterADataPacket", Kind::data),
                                         std::make_tuple("AfterEot", Kind::eot)),
                         [](const auto& phase) { return std::string(std::get<0>(phase.param)); });

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

// Every file's EOT was acknowledged: a receiver that says nothing to the end
// of the batch, or leaves, has all the files.
TEST(SilenceAfterTheEndOfBatch, StillCompletesTheTransferWithoutACancel)
{
    TransferRig rig(300ms);
    rig.receiver.setFault(
        [](const Event& event) -> OptionalReply
        {
            if (event.kind == Kind::endOfBatch)
                return Reply{{}, true};
            return std::nullopt;
        });
    rig.receiverStarts();
    const auto content = randomContent(threePackets, 19);
    EXPECT_NO_THROW(rig.send({rig.folder.writeFile("image.sfb", content)}));
    EXPECT_TRUE(rig.receiver.files()[0].data == content);
    EXPECT_EQ(rig.cancelCount(), 0);
}
