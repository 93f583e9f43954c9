#include "PseudoTerminal.h"

#include "serial/CustomBaudRate.h"
#include "serial/Serial.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <numeric>
#include <pthread.h>
#include <set>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using simulator::PseudoTerminal;

namespace
{
std::vector<uint8_t> everyByteValue()
{
    std::vector<uint8_t> bytes(256);
    std::iota(bytes.begin(), bytes.end(), 0);
    return bytes;
}

long millisecondsSince(Clock::time_point start)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// This process's descriptors that name path (all of them when path is empty).
std::set<int> descriptorsOn(const std::string& path = {})
{
    std::set<int> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    {
        std::error_code gone;
        if (path.empty() || std::filesystem::read_symlink(entry.path(), gone).string() == path)
            found.insert(std::stoi(entry.path().filename().string()));
    }
    return found;
}

// Runs operation while this thread gets SIGUSR1 every millisecond, without
// SA_RESTART, so that every wait sees EINTR; returns the signals sent.
int underSignalStorm(const std::function<void()>& operation)
{
    struct sigaction action = {}, previous = {};
    action.sa_handler = [](int) {};
    sigaction(SIGUSR1, &action, &previous);
    std::atomic<bool> stop{false};
    int sent = 0;
    std::thread sender(
        [&, target = pthread_self()]
        {
            for (; !stop; ++sent, std::this_thread::sleep_for(1ms))
                pthread_kill(target, SIGUSR1);
        });
    operation();
    stop = true;
    sender.join();
    sigaction(SIGUSR1, &previous, nullptr);
    return sent;
}

class SerialOnPty : public ::testing::Test
{
protected:
    PseudoTerminal pty;
};
} // namespace

TEST_F(SerialOnPty, ReadAndWaitEndAtTheirTimeouts)
{
    serial::Serial port(pty.slavePath(), 115200, serial::Timeout(1000, 100, 20, 0, 0));
    uint8_t buffer[10] = {};
    pty.writeToPort({7, 8});
    const auto start = Clock::now();
    EXPECT_EQ(port.read(buffer, sizeof buffer), 2u);
    EXPECT_GE(millisecondsSince(start), 300 - 1) << "constant + multiplier * size";
    EXPECT_FALSE(port.waitReadable()) << "waits the read constant only";
}

TEST_F(SerialOnPty, SignalsDuringReadAndWriteDoNotCutThemShort)
{
    serial::Serial port(pty.slavePath(), 115200, serial::Timeout(1000, 10000, 0, 10000, 0));
    const auto bytes = everyByteValue();
    // The device answers late, then reads slowly, so the write waits for room many times.
    const std::vector<uint8_t> lots(512 * 1024, 0x33);
    std::atomic<bool> done{false};
    std::size_t drained = 0;
    std::thread device(
        [&]
        {
            std::this_thread::sleep_for(200ms);
            pty.writeToPort(bytes);
            for (std::size_t got = 1; drained < lots.size() && (got > 0 || !done); drained += got)
                got = pty.readFromPort(lots.size() - drained, 5ms).size();
        });
    std::vector<uint8_t> received;
    std::size_t written = 0;
    EXPECT_GT(underSignalStorm(
                  [&]
                  {
                      EXPECT_EQ(port.read(received, bytes.size()), bytes.size());
                      written = port.write(lots);
                  }),
              20);
    done = true;
    device.join();
    EXPECT_EQ(received, bytes);
    EXPECT_EQ(written, lots.size());
    EXPECT_EQ(drained, lots.size());
}

TEST_F(SerialOnPty, AFailedConfigurationDuringOpenClosesTheDescriptor)
{
    serial::Serial port;
    port.setPort(pty.slavePath());
    port.setParity(serial::parity_space);
    const auto before = descriptorsOn().size();
    EXPECT_THROW(port.open(), std::invalid_argument);
    EXPECT_EQ(descriptorsOn().size(), before);
    port.setParity(serial::parity_none);
    port.setPort("/dev/null"); // not a terminal: no attributes to read
    EXPECT_THROW(port.open(), serial::IOException);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(descriptorsOn().size(), before);
}

TEST_F(SerialOnPty, StandardAndCustomRatesReachTheDriverInRawMode)
{
    serial::Serial port(pty.slavePath(), 115200, serial::Timeout(1000, 2000, 0, 2000, 0));
    EXPECT_EQ(serial::detail::readBaudRate(pty.slaveFd()), 115200u);
    EXPECT_FALSE(serial::detail::usesCustomBaudRate(pty.slaveFd()));
    port.setBaudrate(250000);
    EXPECT_EQ(serial::detail::readBaudRate(pty.slaveFd()), 250000u);
    EXPECT_TRUE(serial::detail::usesCustomBaudRate(pty.slaveFd()));

    port.close();
    port.setBaudrate(31250); // set while closed, applied by the next open
    port.open();
    EXPECT_EQ(serial::detail::readBaudRate(pty.slaveFd()), 31250u);
    const auto bytes = everyByteValue();
    pty.writeToPort(bytes);
    std::vector<uint8_t> received;
    port.read(received, bytes.size());
    EXPECT_EQ(received, bytes);
    EXPECT_EQ(port.write(bytes), bytes.size());
    EXPECT_EQ(pty.readFromPort(bytes.size() + 1, 300ms), bytes) << "nothing echoed or translated";
}

TEST_F(SerialOnPty, AHangUpWakesAWaitingReadAndFailsWhatFollows)
{
    serial::Serial port(pty.slavePath(), 115200, serial::Timeout(100000, 30000, 20, 100000, 20));
    // The bound is about the hang-up alone; read by this thread once the device's has ended.
    Clock::time_point hungUpAt;
    std::thread device(
        [this, &hungUpAt]
        {
            std::this_thread::sleep_for(100ms);
            hungUpAt = Clock::now();
            pty.hangUp();
        });
    uint8_t buffer[1029] = {};
    EXPECT_THROW(port.read(buffer, sizeof buffer), serial::IOException);
    const auto endedAt = Clock::now();
    device.join();
    EXPECT_LT(endedAt - hungUpAt, 10s);
    EXPECT_THROW(port.available(), serial::IOException);
    EXPECT_THROW(port.write(buffer, 8), serial::IOException);
    EXPECT_NO_THROW(port.close());
    EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialOnPty, AFailedCloseNeverKeepsTheOldDescriptorNumber)
{
    const auto before = descriptorsOn(pty.slavePath());
    serial::Serial port(pty.slavePath());
    auto after = descriptorsOn(pty.slavePath());
    for (const int fd : before)
        after.erase(fd);
    ASSERT_EQ(after.size(), 1u);
    const int stolen = *after.begin();

    ::close(stolen); // closed behind the port's back: its close() fails
    EXPECT_THROW(port.close(), serial::IOException);
    EXPECT_FALSE(port.isOpen());
    // The number goes to somebody else; the port must leave it alone.
    ASSERT_EQ(::dup2(pty.slaveFd(), stolen), stolen);
    EXPECT_NO_THROW(port.close());
    EXPECT_EQ(port.available(), 0u);
    EXPECT_NE(::fcntl(stolen, F_GETFD), -1);
    ::close(stolen);
    port.open();
    EXPECT_TRUE(port.isOpen());
}
