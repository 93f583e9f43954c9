#include "ControlBytes.h"
#include "TransferLog.h"
#include "XYModemExceptions.h"
#include "support/LogCapture.h"
#include "support/TransferRig.h"

#include <gtest/gtest.h>
#include <spdlog/spdlog.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <optional>
#include <string>

using namespace xymodemtest;
using namespace testsupport;
using namespace std::chrono_literals;
using namespace xymodem;
using Kind = ReceiverModel::Kind;
using Event = ReceiverModel::Event;
using Reply = ReceiverModel::Reply;
using OptionalReply = std::optional<Reply>;

namespace
{
constexpr size_t threePackets = 3000; // the last one of 952 bytes

std::filesystem::path image(TransferRig& rig, const std::string& content)
{
    return rig.folder.writeFile("image.sfb", content);
}

void expectWholeFile(const TransferRig& rig, const std::string& content)
{
    ASSERT_EQ(rig.receiver.files().size(), 1u);
    EXPECT_TRUE(rig.receiver.files()[0].data == content);
    EXPECT_TRUE(rig.receiver.batchEnded());
    EXPECT_EQ(rig.cancelCount(), 0);
}

// The receiver answers the target step `times` times with `answer`, then as usual.
ReceiverModel::Fault refuse(Kind kind, int position, int times, Bytes answer)
{
    return [=](const Event& event) -> OptionalReply
    {
        if (event.kind != kind || event.position != position || event.attempt >= times)
            return std::nullopt;
        return Reply{{answer}, false};
    };
}

struct Refusal
{
    const char* name;
    Kind kind;
    int position;
    Bytes answer;
    int times;
    size_t size = threePackets;
};

void PrintTo(const Refusal& row, std::ostream* out)
{
    *out << row.name;
}
} // namespace

class RetryLimits : public testing::TestWithParam<Refusal>
{
};

// 11 re-sends at most: the 12th refusal in a row cancels. A lost header or
// first packet is asked for again with "C", under the same limits.
TEST_P(RetryLimits, ElevenResendsAndNoMore)
{
    const auto& row = GetParam();
    TransferRig rig(300ms);
    const auto content = randomContent(row.size, 11);
    rig.receiver.setFault(refuse(row.kind, row.position, row.times, row.answer));
    rig.receiverStarts();
    if (row.times <= 11)
    {
        rig.send({image(rig, content)});
        expectWholeFile(rig, content);
    }
    else
    {
        EXPECT_THROW(rig.send({image(rig, content)}), XYModemExceptions::TransmissionAborted);
        EXPECT_TRUE(rig.lastWriteIsCancel());
    }
    const auto& events = rig.receiver.events();
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                            [&](const Event& e) { return e.kind == row.kind && e.position == row.position; }),
              std::min(row.times, 11) + 1);
}

INSTANTIATE_TEST_SUITE_P(Steps, RetryLimits,
                         testing::Values(Refusal{"Header12", Kind::header, 0, {NAK}, 12},
                                         Refusal{"StrayAndNak11", Kind::data, 1, {0x7F, NAK}, 11},
                                         Refusal{"LastPacket12", Kind::data, 2, {NAK}, 12},
                                         Refusal{"Eot12", Kind::eot, 0, {NAK}, 12},
                                         Refusal{"EndOfBatch11", Kind::endOfBatch, 0, {NAK}, 11},
                                         Refusal{"FirstPacketRequested11", Kind::data, 0, {CRC_REQUEST}, 11},
                                         Refusal{"HeaderRequested100", Kind::header, 0, {CRC_REQUEST}, 100},
                                         // number 15 the second time round
                                         Refusal{
                                             "AfterTheNumberWrapped", Kind::data, 270, {NAK}, 2, 300 * 1024}),
                         [](const auto& row) { return std::string(row.param.name); });

namespace
{
struct Interruption
{
    const char* name;
    Kind kind;          // the step the receiver answers with `answer` (Kind::other: before the start)
    Bytes answer;       // empty: silence
    const char* thrown; // "abort", "timeout" or "" (completes)
};

void PrintTo(const Interruption& row, std::ostream* out)
{
    *out << row.name;
}
} // namespace

class ReceiverInterrupts : public testing::TestWithParam<Interruption>
{
};

// The receiver's CAN aborts with nothing more written; silence times out
// with a cancel, except after the end of the batch, where all is acknowledged.
TEST_P(ReceiverInterrupts, EndsTheTransferAsItShould)
{
    const auto& row = GetParam();
    TransferRig rig(300ms);
    // The bound is about the interruption alone, not the packets before it.
    std::optional<std::chrono::steady_clock::time_point> interruptedAt;
    rig.receiver.setFault(
        [&](const Event& event) -> OptionalReply
        {
            if (event.kind != row.kind)
                return std::nullopt;
            if (!interruptedAt)
                interruptedAt = std::chrono::steady_clock::now();
            return OptionalReply(Reply{{row.answer}, true});
        });
    if (row.kind != Kind::other)
        rig.receiverStarts();
    else if (!row.answer.empty())
        rig.arriveWhileWaiting({row.answer});
    // Before the start, the interruption is there from the first byte on.
    if (row.kind == Kind::other)
        interruptedAt = std::chrono::steady_clock::now();
    const auto send = [&] { rig.send({image(rig, randomContent(threePackets, 14))}); };
    const std::string thrown = row.thrown;
    if (thrown == "abort")
        EXPECT_THROW(send(), XYModemExceptions::TransmissionAborted);
    else if (thrown == "timeout")
        EXPECT_THROW(send(), XYModemExceptions::Timeout);
    else
        EXPECT_NO_THROW(send());
    ASSERT_TRUE(interruptedAt.has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - *interruptedAt, 10s);
    EXPECT_EQ(rig.cancelCount(), thrown == "timeout" ? 1 : 0);
    EXPECT_TRUE(thrown != "abort" || rig.writes().size() == rig.receiver.events().size())
        << "written after a CAN";
}

INSTANTIATE_TEST_SUITE_P(States, ReceiverInterrupts,
                         testing::Values(Interruption{"CanAtStart", Kind::other, {CAN}, "abort"},
                                         Interruption{"CanAfterData", Kind::data, {CAN}, "abort"},
                                         Interruption{
                                             "AckAndCanAfterHeader", Kind::header, {ACK, CAN}, "abort"},
                                         Interruption{"CanAfterEot", Kind::eot, {CAN}, "abort"},
                                         Interruption{"SilenceAtStart", Kind::other, {}, "timeout"},
                                         Interruption{"SilenceAfterData", Kind::data, {}, "timeout"},
                                         Interruption{"SilenceAfterEndOfBatch", Kind::endOfBatch, {}, ""}),
                         [](const auto& row) { return std::string(row.param.name); });

// Bytes that answer nothing are ignored, alone or in front of the answer; a
// "C" while a later packet's ACK is awaited never skips a packet.
TEST(StrayBytes, AreIgnored)
{
    const std::pair<uint8_t, bool> rows[] = {{0x7F, true}, {0, false}, {CRC_REQUEST, false}};
    for (const auto& [stray, sameRead] : rows)
    {
        TransferRig rig(300ms);
        const auto content = randomContent(threePackets, 15);
        rig.receiver.setFault(
            [stray = stray, sameRead = sameRead](const Event& event) -> OptionalReply
            {
                if (stray == CRC_REQUEST && !(event.kind == Kind::data && event.position > 0))
                    return std::nullopt;
                Bytes answer{ACK};
                if (event.kind == Kind::header || event.kind == Kind::eot)
                    answer.push_back(CRC_REQUEST);
                if (sameRead)
                    answer.insert(answer.begin(), stray);
                return sameRead ? Reply{{answer}} : Reply{{{stray}, answer}};
            });
        rig.arriveWhileWaiting({{stray}, {CRC_REQUEST}});
        rig.send({image(rig, content)});
        expectWholeFile(rig, content);
        EXPECT_EQ(rig.writes().size(), 3u + 3u) << int{stray};
    }
}

// A stop request ends the transfer at once: transmit returns normally, only a cancel follows.
TEST(StopRequest, EndsTheTransferWithOnlyACancel)
{
    for (const size_t writesBeforeStop : {0u, 2u, 4u, 5u}) // start, data, EOT, end of batch
    {
        TransferRig rig;
        rig.stopRequest = [&rig, writesBeforeStop] { return rig.writes().size() >= writesBeforeStop; };
        if (writesBeforeStop > 0)
            rig.receiverStarts();
        EXPECT_NO_THROW(rig.send({image(rig, randomContent(threePackets, 18))}));
        EXPECT_EQ(rig.writes().size(), writesBeforeStop + 1);
        EXPECT_TRUE(rig.lastWriteIsCancel()) << writesBeforeStop;
    }
}

TEST(YModemBatch, SendsTheLastFileFirstWithItsSizeAndTimeInMicroseconds)
{
    TransferRig rig;
    const auto first = randomContent(0, 1), second = randomContent(1025, 2);
    const auto firstPath = rig.folder.writeFile("first.dat", first);
    const timespec times[2] = {{1600000000, 0}, {1600000000, 987654321}};
    ASSERT_EQ(::utimensat(AT_FDCWD, firstPath.c_str(), times, 0), 0);
    rig.receiverStarts();
    rig.send({firstPath, rig.folder.writeFile("second.sfb", second)});

    const auto& files = rig.receiver.files();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].name, "second.sfb");
    EXPECT_TRUE(files[0].data == second);
    EXPECT_EQ(files[1].name, "first.dat");
    EXPECT_EQ(files[1].size, 0);
    EXPECT_EQ(files[1].modificationTime, 1600000000000000LL);
    EXPECT_TRUE(rig.receiver.batchEnded());
    EXPECT_EQ(rig.progress, (std::vector<float>{0.5f, 1.0f}));
}

// Every file is checked before anything is sent, with no receiver on the line.
TEST(YModemBatch, AMissingFileFailsBeforeAnythingIsSent)
{
    TransferRig rig;
    const auto present = rig.folder.writeFile("present.sfb", "x");
    EXPECT_THROW(rig.send({rig.folder.path() / "missing.sfb", present}), XYModemExceptions::CouldNotOpenFile);
    EXPECT_TRUE(rig.writes().empty());
}

TEST(YModemHeader, AFileThatVanishesAfterItsHeaderEndsTheTransferWithACancel)
{
    TransferRig rig;
    const auto path = image(rig, randomContent(5000, 4));
    rig.receiver.setFault(
        [&](const Event& event) -> OptionalReply
        {
            if (event.kind == Kind::header)
                std::filesystem::remove(path);
            return std::nullopt;
        });
    rig.receiverStarts();
    EXPECT_THROW(rig.send({path}), XYModemExceptions::CouldNotOpenFile);
    EXPECT_EQ(rig.writes().size(), 2u);
    EXPECT_EQ(rig.cancelCount(), 1);
}

namespace
{
struct LogCase
{
    int level;
    std::vector<const char*> present, absent;
};
} // namespace

class TransferLogLevels : public testing::TestWithParam<LogCase>
{
};

// Emptied for each transfer, it holds the lines of its level and up, and the application's loggers never see
// them.
TEST_P(TransferLogLevels, HoldsTheLinesOfItsLevelAndUp)
{
    LogCapture capture;
    const auto defaultLogger = spdlog::default_logger();
    TransferRig rig;
    const auto log =
        rig.folder.writeFile(std::string(xymodem::TransferLog::fileName), "an earlier transfer\n");
    rig.receiverStarts();
    rig.send({rig.folder.writeFile("image.sfb", randomContent(2048, 21))}, log.string(), GetParam().level);

    const auto text = readFile(log);
    for (const auto* line : GetParam().present)
        EXPECT_NE(text.find(line), std::string::npos) << line;
    for (const auto* line : GetParam().absent)
        EXPECT_EQ(text.find(line), std::string::npos) << line;
    EXPECT_EQ(spdlog::default_logger(), defaultLogger);
    EXPECT_FALSE(capture.contains("Beginning transmission"));
}

INSTANTIATE_TEST_SUITE_P(
    Levels, TransferLogLevels,
    testing::Values(LogCase{2,
                            {"Beginning transmission", "Filename image.sfb",
                             "XModem transmission finished successfully !", "YModem transmission finished !"},
                            {"an earlier transfer", "Sent EOT", "0x02,0x01,0xfe"}},
                    LogCase{0, {"0x02,0x01,0xfe,", R"(Sent 50\% packets)", "Sent EOT"}, {}}),
    [](const auto& row) { return "Level" + std::to_string(row.param.level); });

TEST(TransferLogFile, ThatCannotBeOpenedFallsBackToTheDefaultLogger)
{
    LogCapture capture;
    TransferRig rig;
    rig.receiverStarts();
    const auto image = rig.folder.writeFile("image.sfb", randomContent(10, 23));
    rig.send({image}, (image / "t.log").string(), 2); // a regular file where a folder should be
    EXPECT_TRUE(capture.contains("Log init failed : "));
    EXPECT_TRUE(capture.contains("YModem transmission finished !"));
}
