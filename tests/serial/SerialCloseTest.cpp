#include "PseudoTerminal.h"

#include "serial/Serial.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <future>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using simulator::PseudoTerminal;

// Closing the port from another thread is how a transfer is broken off.
namespace
{
// The update's own time-outs: without a prompt close a read would wait 30 s
// or more.
const serial::Timeout updateTimeouts(100000, 30000, 20, 100000, 20);

// Runs operation on a thread of its own, closes the port from this one once
// it waits, and returns how long the operation went on after the close and
// which exception ended it.
template <typename Operation>
std::pair<std::chrono::milliseconds, std::string> closeDuring(serial::Serial& port, Operation operation)
{
    std::promise<Clock::time_point> ended;
    std::string outcome;
    std::thread worker(
        [&]
        {
            try
            {
                operation();
                outcome = "returned";
            }
            catch (const serial::PortNotOpenedException& exception)
            {
                outcome = exception.what();
            }
            catch (const std::exception& exception)
            {
                outcome = std::string("other: ") + exception.what();
            }
            ended.set_value(Clock::now());
        });
    std::this_thread::sleep_for(150ms);
    const auto closedAt = Clock::now();
    port.close();
    auto endedFuture = ended.get_future();
    // A generous bound against hangs; the figure itself is printed.
    const bool finished = endedFuture.wait_for(20s) == std::future_status::ready;
    if (!finished)
        ADD_FAILURE() << "the operation did not end after close()";
    const auto lasted = finished ? endedFuture.get() - closedAt : Clock::duration(20s);
    worker.join();
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(lasted);
    std::printf("operation ended %lld ms after close()\n", static_cast<long long>(milliseconds.count()));
    return {milliseconds, outcome};
}
} // namespace

TEST(SerialClose, EndsABlockedReadWriteOrWaitPromptly)
{
    const std::pair<const char*, std::function<void(serial::Serial&)>> rows[] = {
        {"read",
         [](serial::Serial& port)
         {
             std::vector<uint8_t> buffer;
             port.read(buffer, 1029);
         }},
        {"write", [](serial::Serial& port) { port.write(std::vector<uint8_t>(4 * 1024 * 1024, 0x5a)); }},
        {"waitReadable", [](serial::Serial& port) { port.waitReadable(); }},
    };
    for (const auto& [name, operation] : rows)
    {
        PseudoTerminal pty;
        serial::Serial port(pty.slavePath(), 115200, updateTimeouts);
        const auto [lasted, outcome] =
            closeDuring(port, [&port, &operation = operation] { operation(port); });
        EXPECT_EQ(outcome, std::string("PortNotOpenedException Serial::") + name + " failed.");
        EXPECT_LT(lasted, 5000ms) << name;
        EXPECT_FALSE(port.isOpen());
    }
}

TEST(SerialClose, TheClosedPortOpensAgainAndWorks)
{
    PseudoTerminal pty;
    serial::Serial port(pty.slavePath(), 115200, updateTimeouts);
    std::vector<uint8_t> buffer;
    closeDuring(port, [&] { port.read(buffer, 10); });
    port.open();
    pty.writeToPort({1, 2, 3});
    EXPECT_EQ(port.read(buffer, 3), 3u);
    EXPECT_EQ(port.write(std::vector<uint8_t>{4, 5}), 2u);
    EXPECT_EQ(pty.readFromPort(2, 1000ms), (std::vector<uint8_t>{4, 5}));
}

// A reader and a writer keep using the port while it is closed; the number
// of its descriptor is at once reused by a pipe holding a sentinel. No
// stray read or write may reach the pipe.
TEST(SerialClose, NoIoReachesTheRecycledDescriptor)
{
    const std::string sentinel = "sentinel-bytes";
    for (int round = 0; round < 25; ++round)
    {
        PseudoTerminal pty;
        serial::Serial port(pty.slavePath(), 115200, serial::Timeout(5, 5, 0, 5, 0));
        std::atomic<bool> stop{false};
        auto keepUsing = [&](auto operation)
        {
            return std::thread(
                [&stop, &port, operation]
                {
                    while (!stop)
                    {
                        try
                        {
                            operation(port);
                        }
                        catch (const std::exception&)
                        {
                        }
                    }
                });
        };
        std::thread reader = keepUsing(
            [](serial::Serial& p)
            {
                uint8_t buffer[64];
                p.read(buffer, sizeof buffer);
            });
        std::thread writer = keepUsing([](serial::Serial& p) { p.write(std::string("x")); });
        std::thread poller = keepUsing([](serial::Serial& p) { p.available(); });

        std::this_thread::sleep_for(10ms);
        port.close();
        int pipeFds[2] = {-1, -1};
        ASSERT_EQ(::pipe(pipeFds), 0);
        ASSERT_EQ(::write(pipeFds[1], sentinel.data(), sentinel.size()),
                  static_cast<ssize_t>(sentinel.size()));
        std::this_thread::sleep_for(10ms);
        stop = true;
        reader.join();
        writer.join();
        poller.join();

        ::fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
        char contents[64] = {};
        const ssize_t length = ::read(pipeFds[0], contents, sizeof contents);
        EXPECT_EQ(std::string(contents, length > 0 ? static_cast<std::size_t>(length) : 0), sentinel)
            << "round " << round;
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
    }
}

TEST(SerialClose, TwoThreadsClosingAtOnceBothReturn)
{
    PseudoTerminal pty;
    serial::Serial port(pty.slavePath(), 115200, updateTimeouts);
    std::thread reader(
        [&]
        {
            std::vector<uint8_t> buffer;
            EXPECT_THROW(port.read(buffer, 100), serial::PortNotOpenedException);
        });
    std::this_thread::sleep_for(50ms);
    std::thread first([&] { port.close(); });
    std::thread second([&] { port.close(); });
    first.join();
    second.join();
    reader.join();
    EXPECT_FALSE(port.isOpen());
}
