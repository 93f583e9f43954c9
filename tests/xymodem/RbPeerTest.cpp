#include "PseudoTerminal.h"
#include "RbSession.h"
#include "SerialHandler.h"
#include "XYModemExceptions.h"
#include "YModem.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

using namespace simulator;
using namespace testsupport;
using namespace std::chrono_literals;
using Kind = LineRelay::Kind;

namespace
{
// A line that corrupts or loses one thing once, and the unit then sent again (Kind::other: none).
struct LineCase
{
    const char* name;
    size_t size;
    LineRelay::Options line;
    Kind resent = Kind::other;
    uint8_t number = 0;
    bool receiverEnds = true; // rb also gets the end of the batch and exits
};

void PrintTo(const LineCase& row, std::ostream* out)
{
    *out << row.name;
}

LineRelay::Options line(std::optional<size_t> corruptAt, std::optional<Kind> lose = {},
                        std::optional<Kind> loseAckOf = {})
{
    LineRelay::Options options;
    options.corruptAt = corruptAt;
    options.lose = lose;
    options.loseAckOf = loseAckOf;
    return options;
}
// 11 packets, the last one short.
constexpr size_t tenKiB = 10 * 1024 + 7;
} // namespace

class RbOverALine : public testing::TestWithParam<LineCase>
{
};

// Whatever the line did once, the sender succeeds within the retry limits
// and rb has the identical file. A loaded receiver that asks for a packet
// again is YModem at work, so counts are lower bounds but for the limits.
TEST_P(RbOverALine, GetsTheIdenticalFile)
{
    const auto& row = GetParam();
    const TemporaryFolder folder;
    const auto content = randomContent(row.size, static_cast<uint32_t>(row.size) + 99);
    const auto image = folder.writeFile("image.sfb", content);
    RbSession session(folder.path(), row.line);
    std::vector<float> progress;

    xymodem::SerialHandler handler(session.port());
    xymodem::YModem sender(handler, (folder.path() / "dspUpdate.log").string(), 2);
    ASSERT_NO_THROW(sender.transmit(
        {image}, [&](float fraction) { progress.push_back(fraction); }, session.yieldStartingReceiver(),
        true));

    if (row.receiverEnds)
    {
        EXPECT_EQ(session.waitForReceiver(20s), std::optional<int>(0)) << session.receiverErrors();
    }
    EXPECT_TRUE(readFile(session.receivedFolder() / image.filename()) == content);
    ASSERT_GE(progress.size(), (row.size + 1023) / 1024);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 1.0f);

    const auto& relay = session.line();
    if (row.resent != Kind::other)
    {
        EXPECT_GE(relay.timesSent(row.resent, row.number), 2);
    }
    for (const auto& unit : relay.units())
        EXPECT_LE(relay.timesSent(unit.kind, unit.number), 12);
    EXPECT_GE(relay.timesSent(Kind::endOfBatch), 1);
    EXPECT_EQ(relay.timesSent(Kind::other), 0) << "a cancel";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RbOverALine,
    testing::Values(LineCase{"QuarterMiB", 256 * 1024 + 1, {}},
                    // rb asks for a damaged first packet with "C", for others with NAK.
                    LineCase{"CorruptedFirstPacket", 3 * 1024, line(1029 + 400), Kind::data, 1},
                    LineCase{"CorruptedThirdPacket", tenKiB, line(3 * 1029 + 400), Kind::data, 3},
                    LineCase{"LostHeaderAck", tenKiB, line({}, {}, Kind::header), Kind::header},
                    LineCase{"LostEotAck", tenKiB, line({}, {}, Kind::eot)},
                    LineCase{"LostHeader", tenKiB, line({}, Kind::header), Kind::header},
                    LineCase{"LostFirstPacket", tenKiB, line({}, Kind::data), Kind::data, 1},
                    LineCase{"LostEndOfBatch", tenKiB, line({}, Kind::endOfBatch), Kind::other, 0, false},
                    LineCase{"LostEot", tenKiB, line({}, Kind::eot), Kind::eot, 4}),
    [](const testing::TestParamInfo<LineCase>& row) { return std::string(row.param.name); });
namespace
{
struct PtyHandler
{
    explicit PtyHandler(uint32_t writeTimeoutMs = 1000)
        : port(link.slavePath(), 115200, serial::Timeout(0, 1000, 0, writeTimeoutMs, 0))
    {
    }
    PseudoTerminal link{PseudoTerminal::Use::lineForPeer};
    serial::Serial port;
    xymodem::SerialHandler handler{port};
};
} // namespace

TEST(SerialHandlerOnAPty, KeepsEveryByteThatArrivedAndAddsLaterOnes)
{
    PtyHandler pty;
    ASSERT_EQ(::write(pty.link.masterFd(), "\x06\x43", 2), 2);
    ASSERT_TRUE(pty.handler.waitReadable(1000ms));
    std::this_thread::sleep_for(20ms);
    pty.handler.readAll();
    ASSERT_EQ(::write(pty.link.masterFd(), "\x15", 1), 1);
    ASSERT_TRUE(pty.handler.waitReadable(1000ms));
    pty.handler.readAll();
    EXPECT_EQ(pty.handler.showBuffer(), "    6   67   21");
    EXPECT_EQ(pty.handler.getReadTimeout(), 1000ms)
        << "the port's own time-out is back after the sliced wait";
    EXPECT_FALSE(pty.handler.waitReadable(50ms));
}

TEST(SerialHandlerOnAPty, AVanishedDeviceIsAnErrorNotAnEndlessWakeUp)
{
    PtyHandler pty;
    pty.link.releaseMaster();
    ASSERT_TRUE(pty.handler.waitReadable(1000ms));
    EXPECT_THROW(pty.handler.readAll(), serial::IOException);
}

TEST(SerialHandlerOnAPty, AWriteTheLineCannotTakeInTimeIsATimeout)
{
    PtyHandler pty(200); // nobody reads the far end
    const std::vector<uint8_t> bytes(4 * 1024 * 1024, 0x55);
    EXPECT_THROW(pty.handler.write(bytes.data(), bytes.size()), XYModemExceptions::Timeout);
}
