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
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
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

template <typename Exception>
std::string whatOf(const std::function<void()>& operation)
{
    try
    {
        operation();
    }
    catch (const Exception& exception)
    {
        return exception.what();
    }
    catch (const std::exception& other)
    {
        return std::string("unexpected exception: ") + other.what();
    }
    return "no exception";
}

void ignoreSignal(int) {}

// Sends SIGUSR1 to one thread every millisecond; the handler has no
// SA_RESTART, so every wait sees EINTR.
class SignalStorm
{
public:
    explicit SignalStorm(pthread_t target)
    {
        struct sigaction action = {};
        action.sa_handler = ignoreSignal;
        sigaction(SIGUSR1, &action, &previous);
        sender = std::thread(
            [this, target]
            {
                for (; !stop; ++sent, std::this_thread::sleep_for(1ms))
                    pthread_kill(target, SIGUSR1);
            });
    }
    ~SignalStorm()
    {
        stop = true;
        sender.join();
        sigaction(SIGUSR1, &previous, nullptr);
    }
    std::atomic<int> sent{0};

private:
    struct sigaction previous = {};
    std::atomic<bool> stop{false};
    std::thread sender;
};

class SerialOnPty : public ::testing::Test
{
protected:
    PseudoTerminal pty;
};
} // namespace

TEST_F(SerialOnPty, ReadAndWaitEndAtTheirTimeoutsButNotAtTheInterByteOne)
{
    serial::Serial port(pty.slavePath(), 115200);
    uint8_t buffer[10] = {};
    EXPECT_EQ(port.read(buffer, sizeof buffer), 0u) << "zero timeout: only what waits";
    EXPECT_FALSE(port.waitReadable());

    port.setTimeout(serial::Timeout(1000, 100, 20, 0, 0));
    pty.writeToPort({7, 8});
    auto start = Clock::now();
    EXPECT_EQ(port.read(buffer, sizeof buffer), 2u);
    EXPECT_GE(millisecondsSince(start), 300 - 1) << "constant + multiplier * size";
    EXPECT_FALSE(port.waitReadable()) << "waits the read constant only";

    port.setTimeout(serial::Timeout(20, 10000, 0, 0, 0));
    pty.writeToPort({1, 2});
    std::thread late(
        [this]
        {
            std::this_thread::sleep_for(200ms);
            pty.writeToPort({3, 4});
        });
    start = Clock::now();
    EXPECT_EQ(port.read(buffer, 4), 4u);
    late.join();
    EXPECT_EQ(buffer[3], 4);
    std::printf("paced read took %ld ms\n", millisecondsSince(start));
}

TEST_F(SerialOnPty, WriteAgainstAFullQueueReturnsAShortCountAtItsDeadline)
{
    serial::Serial port(pty.slavePath(), 115200, serial::Timeout(0, 0, 0, 300, 0));
    const std::vector<uint8_t> lots(4 * 1024 * 1024, 0x42);
    const auto start = Clock::now();
    const std::size_t written = port.write(lots);
    EXPECT_GE(millisecondsSince(start), 300 - 1);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, lots.size());
    pty.drain();
    EXPECT_EQ(port.write(std::vector<uint8_t>{1, 2, 3}), 3u);
}

TEST_F(SerialOnPty, SignalsDuringReadAndWriteDoNotCutThemShort)
{
    serial::Serial port(pty.slavePath(), 115200, serial::Timeout(1000, 10000, 0, 10000, 0));
    const auto bytes = everyByteValue();
    std::thread late(
        [&]
        {
            std::this_thread::sleep_for(200ms);
            pty.writeToPort(bytes);
        });
    std::vector<uint8_t> received;
    {
        const SignalStorm storm(pthread_self());
        EXPECT_EQ(port.read(received, bytes.size()), bytes.size());
        EXPECT_GT(storm.sent.load(), 20);
    }
    late.join();
    EXPECT_EQ(received, bytes);

    // The device reads slowly, so the write waits for room many times.
    const std::vector<uint8_t> lots(512 * 1024, 0x33);
    std::atomic<bool> done{false};
    std::size_t drained = 0;
    std::thread device(
        [&]
        {
            for (;;)
            {
                const auto got = pty.readFromPort(lots.size() - drained, 5ms);
                drained += got.size();
                if (drained == lots.size() || (done && got.empty()))
                    break;
            }
        });
    std::size_t written = 0;
    {
        const SignalStorm storm(pthread_self());
        written = port.write(lots);
    }
    done = true;
    device.join();
    EXPECT_EQ(written, lots.size());
    EXPECT_EQ(drained, lots.size());
}

TEST_F(SerialOnPty, MisusesAreRefusedWithTheirTexts)
{
    serial::Serial closed;
    serial::Serial open(pty.slavePath());
    uint8_t byte = 0;
    const std::pair<std::string, std::string> rows[] = {
        {whatOf<serial::PortNotOpenedException>([&] { closed.read(&byte, 1); }),
         "PortNotOpenedException Serial::read failed."},
        {whatOf<std::invalid_argument>([&] { closed.open(); }), "Empty port is invalid."},
        {whatOf<std::invalid_argument>([&] { closed.setBaudrate(0); }), "invalid baud rate"},
        {whatOf<serial::SerialException>([&] { open.open(); }),
         "SerialException Serial port already open. failed."},
        {whatOf<std::invalid_argument>([&] { open.setParity(serial::parity_mark); }),
         "OS does not support mark or space parity"},
    };
    for (const auto& [what, text] : rows)
        EXPECT_EQ(what, text);
    EXPECT_EQ(closed.available(), 0u);
    EXPECT_NO_THROW(closed.close());
    EXPECT_TRUE(open.isOpen());
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
    EXPECT_NE(whatOf<serial::IOException>([&] { port.open(); }).find("IO Exception: ::tcgetattr, file "),
              std::string::npos);
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
    std::thread device(
        [this]
        {
            std::this_thread::sleep_for(100ms);
            pty.hangUp();
        });
    uint8_t buffer[1029] = {};
    const auto start = Clock::now();
    EXPECT_THROW(port.read(buffer, sizeof buffer), serial::IOException);
    EXPECT_LT(millisecondsSince(start), 10000);
    device.join();
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
    try
    {
        port.close();
        FAIL() << "close of a closed descriptor succeeded";
    }
    catch (const serial::IOException& exception)
    {
        EXPECT_EQ(exception.getErrorNumber(), EBADF);
    }
    EXPECT_FALSE(port.isOpen());

    // The number goes to somebody else; the port must leave it alone.
    int pipeFds[2] = {-1, -1};
    ASSERT_EQ(::pipe(pipeFds), 0);
    ASSERT_EQ(::dup2(pipeFds[0], stolen), stolen);
    EXPECT_NO_THROW(port.close());
    EXPECT_EQ(port.available(), 0u);
    EXPECT_NE(::fcntl(stolen, F_GETFD), -1);
    for (const int fd : {stolen, pipeFds[0], pipeFds[1]})
        ::close(fd);
    port.open();
    EXPECT_TRUE(port.isOpen());
}
