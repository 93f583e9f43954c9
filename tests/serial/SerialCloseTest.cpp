#include "PseudoTerminal.h"

#include "serial/Serial.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <functional>
#include <future>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using simulator::PseudoTerminal;

// Closing the port from another thread is how a transfer is broken off.
namespace
{
// The update's own time-outs: without a prompt close a read would wait 30 s or more.
const serial::Timeout updateTimeouts(100000, 30000, 20, 100000, 20);
} // namespace

TEST(SerialClose, EndsABlockedReadWriteOrWaitPromptlyAndThePortOpensAgain)
{
    const std::pair<const char*, std::function<void(serial::Serial&)>> rows[] = {
        {"read", [](serial::Serial& port) { std::vector<uint8_t> buffer; port.read(buffer, 1029); }},
        {"write", [](serial::Serial& port) { port.write(std::vector<uint8_t>(4 * 1024 * 1024, 0x5a)); }},
        {"waitReadable", [](serial::Serial& port) { port.waitReadable(); }},
    };
    for (const auto& [name, operation] : rows)
    {
        PseudoTerminal pty;
        serial::Serial port(pty.slavePath(), 115200, updateTimeouts);
        auto outcome = std::async(std::launch::async,
                                  [&port, &operation = operation]() -> std::string
                                  {
                                      try
                                      {
                                          operation(port);
                                          return "returned";
                                      }
                                      catch (const std::exception& exception)
                                      {
                                          return exception.what();
                                      }
                                  });
        std::this_thread::sleep_for(150ms);
        const auto closedAt = std::chrono::steady_clock::now();
        port.close();
        // A generous bound against hangs; the figure itself is printed.
        ASSERT_EQ(outcome.wait_for(20s), std::future_status::ready) << name << " did not end after close()";
        std::printf("%s ended %lld ms after close()\n", name,
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now() - closedAt)
                                               .count()));
        EXPECT_EQ(outcome.get(), std::string("PortNotOpenedException Serial::") + name + " failed.");
        EXPECT_FALSE(port.isOpen());

        port.open();
        pty.writeToPort({1, 2, 3});
        std::vector<uint8_t> buffer;
        EXPECT_EQ(port.read(buffer, 3), 3u) << name;
    }
}

// A reader, a writer and a poller keep using the port while it is closed; its
// descriptor number is at once reused by a pipe holding a sentinel, which no
// stray read or write may touch.
TEST(SerialClose, NoIoReachesTheRecycledDescriptor)
{
    const std::string sentinel = "sentinel-bytes";
    for (int round = 0; round < 25; ++round)
    {
        PseudoTerminal pty;
        serial::Serial port(pty.slavePath(), 115200, serial::Timeout(5, 5, 0, 5, 0));
        std::atomic<bool> stop{false};
        const std::function<void()> operations[] = {
            [&]
            {
                uint8_t buffer[64];
                port.read(buffer, sizeof buffer);
            },
            [&] { port.write(std::string("x")); }, [&] { port.available(); }};
        std::vector<std::thread> users;
        for (const auto& operation : operations)
            users.emplace_back(
                [&stop, &operation]
                {
                    while (!stop)
                        try
                        {
                            operation();
                        }
                        catch (const std::exception&)
                        {
                        }
                });
        std::this_thread::sleep_for(10ms);
        port.close();
        int pipeFds[2] = {-1, -1};
        ASSERT_EQ(::pipe(pipeFds), 0);
        ASSERT_EQ(::write(pipeFds[1], sentinel.data(), sentinel.size()), static_cast<ssize_t>(sentinel.size()));
        std::this_thread::sleep_for(10ms);
        stop = true;
        for (auto& user : users)
            user.join();

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
