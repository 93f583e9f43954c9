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

namespace
{
struct Outcome
{
    std::string sent;
    std::optional<int> receiverStatus;
    std::string received;
    std::vector<float> progress;
    std::string errors;
    std::size_t forwardedToReceiver = 0;
};

// Sends an image of random content to rb over a line with the given faults.
Outcome sendToRb(std::size_t size, uint32_t seed, const LineRelay::Options& line = {})
{
    TemporaryFolder folder;
    Outcome outcome;
    outcome.sent = randomContent(size, seed);
    const auto image = folder.writeFile("image.sfb", outcome.sent);
    RbSession session(folder.path(), line);

    xymodem::SerialHandler handler(session.port());
    xymodem::YModem sender(handler, (folder.path() / "dspUpdate.log").string(), 2);
    sender.transmit(
        {image}, [&](float fraction) { outcome.progress.push_back(fraction); },
        session.yieldStartingReceiver(), true);
    outcome.receiverStatus = session.waitForReceiver(20s);
    outcome.received = readFile(session.receivedFolder() / image.filename());
    outcome.errors = session.receiverErrors();
    outcome.forwardedToReceiver = session.line().forwardedToReceiver();
    return outcome;
}

// A packet that a loaded receiver lost and asked for again is YModem at
// work: the outcome is the whole file, every packet sent at least once and
// the progress never going back.
void expectExactFileAndCleanExit(const Outcome& outcome, std::size_t packets)
{
    EXPECT_EQ(outcome.receiverStatus, std::optional<int>(0)) << outcome.errors;
    // rb keeps whole blocks when it does not trim to the announced size.
    ASSERT_GE(outcome.received.size(), outcome.sent.size());
    EXPECT_TRUE(outcome.received.compare(0, outcome.sent.size(), outcome.sent) == 0);
    ASSERT_GE(outcome.progress.size(), packets);
    EXPECT_TRUE(std::is_sorted(outcome.progress.begin(), outcome.progress.end()));
    EXPECT_EQ(outcome.progress.back(), 1.0f);
}

std::size_t packetsOf(std::size_t size)
{
    return (size + 1023) / 1024;
}
} // namespace

class RbReceives : public testing::TestWithParam<size_t>
{
};

TEST_P(RbReceives, TheExactFileAndExitsCleanly)
{
    const auto size = GetParam();
    expectExactFileAndCleanExit(sendToRb(size, static_cast<uint32_t>(size) + 99), packetsOf(size));
}

// Large transfers and their speed are the benchmark's.
INSTANTIATE_TEST_SUITE_P(Sizes, RbReceives, testing::Values(1, 1024, 256 * 1024 + 1));

TEST(RbRepairs, ACorruptedPacketIsNakedAndResent)
{
    // Header, packets 1 and 2, then a payload byte of packet 3.
    LineRelay::Options line;
    line.corruptAt = 3 * 1029 + 400;
    const auto outcome = sendToRb(10 * 1024 + 7, 5, line);

    // Eleven packets, the third of them at least twice.
    expectExactFileAndCleanExit(outcome, 12);
    std::vector<float> distinct = outcome.progress;
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    ASSERT_EQ(distinct.size(), 11u);
    EXPECT_GE(std::count(outcome.progress.begin(), outcome.progress.end(), distinct[2]), 2);
    EXPECT_GE(outcome.forwardedToReceiver, 12u * 1029);
}

// rb asks for a lost first block with "C" rather than NAK.
class RbRepairsAFirstBlock : public testing::TestWithParam<size_t>
{
};

TEST_P(RbRepairsAFirstBlock, ThatArrivedCorrupted)
{
    LineRelay::Options line;
    line.corruptAt = GetParam();
    expectExactFileAndCleanExit(sendToRb(3 * 1024, 6, line), packetsOf(3 * 1024));
}

INSTANTIATE_TEST_SUITE_P(Blocks, RbRepairsAFirstBlock, testing::Values(400u, 1029u + 400u),
                         [](const testing::TestParamInfo<size_t>& block)
                         { return block.param == 400u ? "Header" : "FirstPacket"; });

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
