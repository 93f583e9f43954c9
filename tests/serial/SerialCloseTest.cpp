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

std::string whatOf(const std::function<void()>& operation)
{
    try
    {
        operation();
    }
    catch (const std::exception& exception)
    {
        return exception.what();
    }
    return "returned";
}
} // namespace

TEST(SerialClose, EndsABlockedReadWriteOrWaitPromptlyAndThePortOpensAgain)
{
    std::vector<uint8_t> buffer;
    const std::pair<const char*, std::function<void(serial::Serial&)>> rows[] = {
        {"read", [&](serial::Serial& port) { port.read(buffer, 1029); }},
        {"write", [](serial::Serial& port) { port.write(std::vector<uint8_t>(4 * 1024 * 1024, 0x5a)); }},
        {"waitReadable", [](serial::Serial& port) { port.waitReadable(); }},
    };
    for (const auto& [name, operation] : rows)
    {
        PseudoTerminal pty;
        serial::Serial port(pty.slavePath(), 115200, updateTimeouts);
        auto outcome = std::async(std::launch::async,
                                  [&, &operation = operation] { return whatOf([&] { operation(port); }); });
        std::this_thread::sleep_for(150ms);
        const auto closedAt = std::chrono::steady_clock::now();
        port.close();
        // A generous bound against hangs; the figure itself is printed.
        ASSERT_EQ(outcome.wait_for(20s), std::future_status::ready) << name << " did not end after close()";
        std::printf(
            "%s ended %.0f ms after close()\n", name,
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - closedAt).count());
        EXPECT_EQ(outcome.get(), std::string("PortNotOpenedException Serial::") + name + " failed.");
        EXPECT_FALSE(port.isOpen());
        port.open();
        pty.writeToPort({1, 2, 3});
        EXPECT_EQ(port.read(buffer, 3), 3u) << name;
    }
}

// Readers and writers go on while two threads close the port; a pipe holding
// a sentinel takes its descriptor number at once, and no stray I/O may touch it.
TEST(SerialClose, NoIoReachesTheRecycledDescriptor)
{
    const std::string sentinel = "sentinel-bytes";
    for (int round = 0; round < 25; ++round)
    {
        PseudoTerminal pty;
        serial::Serial port(pty.slavePath(), 115200, serial::Timeout(5, 5, 0, 5, 0));
        std::atomic<bool> stop{false};
        uint8_t readBuffer[64];
        const std::function<void()> operations[] = {[&] { port.read(readBuffer, 64); },
                                                    [&] { port.write(std::string("x")); },
                                                    [&] { port.available(); }};
        std::vector<std::thread> users;
        for (const auto& operation : operations)
            users.emplace_back(
                [&stop, &operation]
                {
                    while (!stop)
                        whatOf(operation);
                });
        std::this_thread::sleep_for(10ms);
        std::thread secondCloser([&] { port.close(); }); // two at once: both return
        port.close();
        secondCloser.join();
        int pipeFds[2] = {-1, -1};
        ASSERT_EQ(::pipe(pipeFds), 0);
        ASSERT_EQ(::write(pipeFds[1], sentinel.data(), sentinel.size()),
                  static_cast<ssize_t>(sentinel.size()));
        std::this_thread::sleep_for(10ms);
        stop = true;
        for (auto& user : users)
            user.join();

        ::fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
        std::string contents(64, '\0');
        contents.resize(
            static_cast<std::size_t>(std::max<ssize_t>(0, ::read(pipeFds[0], contents.data(), 64))));
        EXPECT_EQ(contents, sentinel) << "round " << round;
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
    }
}
