#include "PseudoTerminal.h"

#include "serial/CustomBaudRate.h"
#include "serial/Serial.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <numeric>
#include <pthread.h>
#include <set>
#include <termios.h>
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

// This process's open descriptors, each with the path it names.
std::map<int, std::string> openDescriptors()
{
    std::map<int, std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    {
        std::error_code gone; // closed since it was listed
        found[std::stoi(entry.path().filename().string())] =
            std::filesystem::read_symlink(entry.path(), gone).string();
    }
    return found;
}

// The descriptors of this process that name path.
std::set<int> descriptorsOn(const std::string& path)
{
    std::set<int> found;
    for (const auto& [descriptor, target] : openDescriptors())
        if (target == path)
            found.insert(descriptor);
    return found;
}

template <typename Exception, typename Operation>
std::string whatOf(Operation&& operation)
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

class SerialOnPty : public ::testing::Test
{
protected:
    PseudoTerminal pty;
};
} // namespace

TEST_F(SerialOnPty, EveryByteValuePassesUnchangedBothWays)
{
    serial::Serial port(pty.slavePath(), 115200, serial::Timeout(1000, 2000, 0, 2000, 0));
    ASSERT_TRUE(port.isOpen());

    const auto bytes = everyByteValue();
    pty.writeToPort(bytes);
    std::vector<uint8_t> received;
    EXPECT_EQ(port.read(received, bytes.size()), bytes.size());
    EXPECT_EQ(received, bytes);

    EXPECT_EQ(port.write(bytes), bytes.size());
    // Nothing echoed or translated: the device sees exactly what was written.
    EXPECT_EQ(pty.readFromPort(bytes.size() + 1, 300ms), bytes);
}

TEST_F(SerialOnPty, ZeroTimeoutReadTakesOnlyWhatIsWaiting)
{
    serial::Serial port(pty.slavePath(), 115200);
    uint8_t buffer[16] = {};
    const auto start = Clock::now();
    EXPECT_EQ(port.read(buffer, sizeof buffer), 0u);
    EXPECT_FALSE(port.waitReadable());
    EXPECT_LT(millisecondsSince(start), 1000);

    pty.writeToPort({1, 2, 3});
    ASSERT_TRUE(port.waitReadable());
    EXPECT_EQ(port.available(), 3u);
    EXPECT_EQ(port.read(buffer, sizeof buffer), 3u);
    EXPECT_EQ(buffer[2], 3);
}

TEST_F(SerialOnPty, ReadEndsAtConstantPlusMultiplierTimesSizeWithShortCount)
{
    serial::Serial port(pty.slavePath(), 115200, serial::Timeout(1000, 100, 20, 0, 0));
    uint8_t buffer[10] = {};
    pty.writeToPort({7, 8});
    const auto start = Clock::now();
    EXPECT_EQ(port.read(buffer, sizeof buffer), 2u);
    const auto elapsed = millisecondsSince(start);
    EXPECT_GE(elapsed, 300 - 1);
    EXPECT_LT(elapsed, 5000);
}

TEST_F(SerialOnPty, InterByteTimeoutDoesNotEndTheRead)
{
    serial::Serial port(pty.slavePath(), 115200, serial::Timeout(20, 3000, 0, 0, 0));
    pty.writeToPort({1, 2});
    std::thread late(
        [this]
        {
            std::this_thread::sleep_for(200ms);
            pty.writeToPort({3, 4});
        });
    uint8_t buffer[4] = {};
    EXPECT_EQ(port.read(buffer, sizeof buffer), 4u);
    late.join();
    EXPECT_EQ(buffer[3], 4);
}

TEST_F(SerialOnPty, WaitReadableWaitsAtMostTheReadConstant)
{
    serial::Serial port(pty.slavePath(), 115200, serial::Timeout(0, 150, 1000, 0, 0));
    auto start = Clock::now();
    EXPECT_FALSE(port.waitReadable());
    EXPECT_GE(millisecondsSince(start), 150 - 1);

    std::thread late(
        [this]
        {
            std::this_thread::sleep_for(50ms);
            pty.writeToPort({9});
        });
    port.setTimeout(serial::Timeout(0, 20000, 0, 0, 0));
    start = Clock::now();
    EXPECT_TRUE(port.waitReadable());
    EXPECT_LT(millisecondsSince(start), 10000);
    late.join();
}

TEST_F(SerialOnPty, PacedReadWithoutInterByteLimitGetsEveryByte)
{
    serial::Serial port(pty.slavePath(), 115200, serial::Timeout(serial::Timeout::max(), 3000, 0, 0, 0));
    std::thread device(
        [this]
        {
            pty.writeToPort(std::vector<uint8_t>(50, 0x55));
            std::this_thread::sleep_for(100ms);
            pty.writeToPort(std::vector<uint8_t>(50, 0xaa));
        });
    std::vector<uint8_t> received;
    EXPECT_EQ(port.read(received, 100), 100u);
    device.join();
    EXPECT_EQ(received.back(), 0xaa);
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

namespace
{
void ignoreSignal(int) {}

// Sends SIGUSR1 to one thread every millisecond while it lives; the handler
// is installed without SA_RESTART so that every wait sees EINTR.
class SignalStorm
{
public:
    explicit SignalStorm(pthread_t target)
    {
        struct sigaction action = {};
        action.sa_handler = ignoreSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(SIGUSR1, &action, &previous);
        sender = std::thread(
            [this, target]
            {
                while (!stop)
                {
                    pthread_kill(target, SIGUSR1);
                    ++sent;
                    std::this_thread::sleep_for(1ms);
                }
            });
    }
    ~SignalStorm()
    {
        stop = true;
        sender.join();
        sigaction(SIGUSR1, &previous, nullptr);
    }
    int count() const { return sent; }

private:
    struct sigaction previous = {};
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::thread sender;
};
} // namespace

TEST_F(SerialOnPty, SignalsDuringReadAndWriteDoNotCutThemShort)
{
    serial::Serial port(pty.slavePath(), 115200, serial::Timeout(1000, 10000, 0, 10000, 0));
    const auto bytes = everyByteValue();
    {
        const SignalStorm storm(pthread_self());
        std::thread device(
            [&]
            {
                std::this_thread::sleep_for(200ms);
                pty.writeToPort(bytes);
            });
        std::vector<uint8_t> received;
        EXPECT_EQ(port.read(received, bytes.size()), bytes.size());
        device.join();
        EXPECT_EQ(received, bytes);
        EXPECT_GT(storm.count(), 20);
    }
    {
        // The device reads slowly, so the write waits for room many times.
        const std::vector<uint8_t> lots(512 * 1024, 0x33);
        std::atomic<bool> done{false};
        std::size_t drained = 0;
        std::thread device(
            [&]
            {
                while (!done || drained < lots.size())
                {
                    const auto got = pty.readFromPort(lots.size() - drained, 5ms);
                    drained += got.size();
                    if (done && got.empty())
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
}

// What each misuse of a port answers, and the port left as it was.
TEST_F(SerialOnPty, MisusesAreRefusedWithTheirTexts)
{
    serial::Serial closed;
    serial::Serial open(pty.slavePath());
    uint8_t byte = 0;
    using Port = serial::Serial;
    const std::pair<std::function<std::string()>, const char*> rows[] = {
        {[&] { return whatOf<serial::PortNotOpenedException>([&] { closed.read(&byte, 1); }); },
         "PortNotOpenedException Serial::read failed."},
        {[&] { return whatOf<serial::PortNotOpenedException>([&] { closed.write(&byte, 1); }); },
         "PortNotOpenedException Serial::write failed."},
        {[&] { return whatOf<serial::PortNotOpenedException>([&] { closed.waitReadable(); }); },
         "PortNotOpenedException Serial::waitReadable failed."},
        {[&] { return whatOf<std::invalid_argument>([&] { closed.open(); }); }, "Empty port is invalid."},
        {[&] { return whatOf<std::invalid_argument>([&] { Port("", 0); }); }, "invalid baud rate"},
        {[&] { return whatOf<std::invalid_argument>([&] { closed.setBaudrate(0); }); }, "invalid baud rate"},
        {[&] { return whatOf<serial::SerialException>([&] { open.open(); }); },
         "SerialException Serial port already open. failed."},
        {[&] {
             return whatOf<std::invalid_argument>([&]
                                                  { Port(pty.slavePath()).setParity(serial::parity_mark); });
         },
         "OS does not support mark or space parity"},
        {[&] {
             return whatOf<std::invalid_argument>([&]
                                                  { Port(pty.slavePath()).setParity(serial::parity_t(5)); });
         },
         "invalid parity"},
        {[&] {
             return whatOf<std::invalid_argument>(
                 [&] { Port(pty.slavePath()).setBytesize(serial::bytesize_t(9)); });
         },
         "invalid char len"},
        {[&] {
             return whatOf<std::invalid_argument>(
                 [&] { Port(pty.slavePath()).setStopbits(serial::stopbits_t(0)); });
         },
         "invalid stop bit"},
    };
    for (const auto& [operation, text] : rows)
        EXPECT_EQ(operation(), text);
    EXPECT_EQ(closed.available(), 0u);
    EXPECT_NO_THROW(closed.close());
    EXPECT_EQ(closed.getBaudrate(), 9600u);
    EXPECT_TRUE(open.isOpen());
}

TEST_F(SerialOnPty, AFailedConfigurationDuringOpenClosesTheDescriptor)
{
    serial::Serial port;
    port.setPort(pty.slavePath());
    port.setParity(serial::parity_space);
    const auto before = openDescriptors().size();
    EXPECT_THROW(port.open(), std::invalid_argument);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(openDescriptors().size(), before);

    // Not a terminal: the attributes cannot even be read.
    port.setParity(serial::parity_none);
    port.setPort("/dev/null");
    EXPECT_NE(whatOf<serial::IOException>([&] { port.open(); }).find("IO Exception: ::tcgetattr, file "),
              std::string::npos);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(openDescriptors().size(), before);
}

TEST_F(SerialOnPty, StandardAndCustomRatesReachTheDriver)
{
    serial::Serial port(pty.slavePath(), 115200);
    termios options{};
    ASSERT_EQ(tcgetattr(pty.slaveFd(), &options), 0);
    EXPECT_EQ(cfgetospeed(&options), static_cast<speed_t>(B115200));
    EXPECT_EQ(serial::detail::readBaudRate(pty.slaveFd()), 115200u);
    EXPECT_FALSE(serial::detail::usesCustomBaudRate(pty.slaveFd()));

    for (const uint32_t rate : {250000u, 7200u, 76800u})
    {
        port.setBaudrate(rate);
        EXPECT_EQ(serial::detail::readBaudRate(pty.slaveFd()), rate);
        EXPECT_TRUE(serial::detail::usesCustomBaudRate(pty.slaveFd())) << rate;
    }

    // Set while closed, applied by the next open.
    port.close();
    port.setBaudrate(31250);
    port.open();
    EXPECT_EQ(serial::detail::readBaudRate(pty.slaveFd()), 31250u);
    // Raw mode survives the custom rate.
    pty.writeToPort(everyByteValue());
    port.setTimeout(serial::Timeout(1000, 2000, 0, 0, 0));
    std::vector<uint8_t> received;
    port.read(received, 256);
    EXPECT_EQ(received, everyByteValue());
}

TEST_F(SerialOnPty, TheFarEndHangingUpRaisesIOException)
{
    serial::Serial port(pty.slavePath(), 115200, serial::Timeout(1000, 20000, 0, 1000, 0));
    pty.hangUp();
    EXPECT_THROW(port.available(), serial::IOException);
    uint8_t buffer[8] = {};
    const auto start = Clock::now();
    EXPECT_THROW(port.read(buffer, sizeof buffer), serial::IOException);
    EXPECT_LT(millisecondsSince(start), 10000);
    EXPECT_THROW(port.write(buffer, sizeof buffer), serial::IOException);
    EXPECT_NO_THROW(port.close());
    EXPECT_FALSE(port.isOpen());
}

TEST_F(SerialOnPty, AHangUpWakesAWaitingRead)
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
}

TEST_F(SerialOnPty, SetPortOnAnOpenPortMovesToTheNewNode)
{
    PseudoTerminal other;
    serial::Serial port(pty.slavePath(), 115200, serial::Timeout(0, 0, 0, 1000, 0));
    port.setPort(other.slavePath());
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.getPort(), other.slavePath());
    port.write(std::string("moved"));
    EXPECT_EQ(other.readFromPort(5, 1000ms).size(), 5u);
    EXPECT_TRUE(pty.readFromPort(1, 50ms).empty());
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

    // Someone closes the port's descriptor behind its back: close() fails.
    ::close(stolen);
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
    ::close(stolen);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);

    port.open();
    EXPECT_TRUE(port.isOpen());
}
