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
// A transfer to rb over a line that corrupts or loses one thing once, and
// the unit that must then have gone again (Kind::other: none).
struct LineCase
{
    const char* name;
    size_t size;
    LineRelay::Options line;
    Kind resent = Kind::other;
    uint8_t number = 0;
    // rb also gets the end of the batch and exits.
    bool receiverEnds = true;
};

void PrintTo(const LineCase& row, std::ostream* out)
{
    *out << row.name;
}

LineRelay::Options corruptAt(size_t byte)
{
    LineRelay::Options line;
    line.corruptAt = byte;
    return line;
}

LineRelay::Options lose(Kind kind, bool itsAck = false)
{
    LineRelay::Options line;
    (itsAck ? line.loseAckOf : line.lose) = LineRelay::Choice{kind};
    return line;
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
    testing::Values(LineCase{"OneByte", 1, {}}, LineCase{"OneBlock", 1024, {}},
                    LineCase{"QuarterMiB", 256 * 1024 + 1, {}},
                    // rb asks for a damaged header or first packet with "C", for others with NAK.
                    LineCase{"CorruptedHeader", 3 * 1024, corruptAt(400), Kind::header},
                    LineCase{"CorruptedFirstPacket", 3 * 1024, corruptAt(1029 + 400), Kind::data, 1},
                    LineCase{"CorruptedThirdPacket", tenKiB, corruptAt(3 * 1029 + 400), Kind::data, 3},
                    LineCase{"LostHeaderAck", tenKiB, lose(Kind::header, true), Kind::header},
                    LineCase{"LostEotAck", tenKiB, lose(Kind::eot, true)},
                    LineCase{"LostHeader", tenKiB, lose(Kind::header), Kind::header},
                    LineCase{"LostFirstPacket", tenKiB, lose(Kind::data), Kind::data, 1},
                    LineCase{"LostEndOfBatch", tenKiB, lose(Kind::endOfBatch), Kind::other, 0, false},
                    LineCase{"LostEot", tenKiB, lose(Kind::eot), Kind::eot, 4}),
    [](const testing::TestParamInfo<LineCase>& row) { return std::string(row.param.name); });
TEST(SerialHandlerOnAPty, KeepsEveryByteThatArrivedAndAddsLaterOnes)
{
    simulator::PseudoTerminal link(simulator::PseudoTerminal::Use::lineForPeer);
    serial::Serial port(link.slavePath(), 115200, serial::Timeout(0, 1000, 0, 1000, 0));
    xymodem::SerialHandler handler(port);
    const uint8_t first[] = {0x06, 0x43};
    ASSERT_EQ(::write(link.masterFd(), first, 2), 2);
    ASSERT_TRUE(handler.waitReadable(1000ms));
    std::this_thread::sleep_for(20ms);
    handler.readAll();
    const uint8_t second[] = {0x15};
    ASSERT_EQ(::write(link.masterFd(), second, 1), 1);
    ASSERT_TRUE(handler.waitReadable(1000ms));
    handler.readAll();
    EXPECT_EQ(handler.showBuffer(), "    6   67   21");
    // The port's own time-out is back after the sliced wait.
    EXPECT_EQ(handler.getReadTimeout(), 1000ms);
    EXPECT_FALSE(handler.waitReadable(50ms));
}

TEST(SerialHandlerOnAPty, AVanishedDeviceIsAnErrorNotAnEndlessWakeUp)
{
    simulator::PseudoTerminal link(simulator::PseudoTerminal::Use::lineForPeer);
    serial::Serial port(link.slavePath(), 115200, serial::Timeout(0, 1000, 0, 1000, 0));
    xymodem::SerialHandler handler(port);
    link.releaseMaster();
    ASSERT_TRUE(handler.waitReadable(1000ms));
    EXPECT_THROW(handler.readAll(), serial::IOException);
}

TEST(SerialHandlerOnAPty, AWriteTheLineCannotTakeInTimeIsATimeout)
{
    simulator::PseudoTerminal link(simulator::PseudoTerminal::Use::lineForPeer); // nobody reads the far end
    serial::Serial port(link.slavePath(), 115200, serial::Timeout(0, 1000, 0, 200, 0));
    xymodem::SerialHandler handler(port);
    const std::vector<uint8_t> bytes(4 * 1024 * 1024, 0x55);
    EXPECT_THROW(handler.write(bytes.data(), bytes.size()), XYModemExceptions::Timeout);
}
