#include "RbSession.h"
#include "SerialHandler.h"
#include "XYModemExceptions.h"
#include "YModem.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

using namespace simulator;
using namespace testsupport;
using namespace std::chrono_literals;

// The update thread's owner breaks a transfer off by closing the port from
// its own thread: the transfer ends at once with the port's exception.
TEST(TransferStop, ClosingThePortFromAnotherThreadEndsTheTransfer)
{
    using Clock = std::chrono::steady_clock;
    TemporaryFolder folder;
    const auto image = folder.writeFile("image.sfb", randomContent(1024 * 1024, 8));
    RbSession session(folder.path());
    std::atomic<float> progress{0.0f};
    std::atomic<bool> transferEnded{false};
    // The bound is about the close alone: reaching 10 % may take long on a
    // loaded machine.
    std::atomic<Clock::rep> closedAt{0};

    std::thread closer(
        [&]
        {
            pthread_setname_np(pthread_self(), "port closer");
            while (progress.load() < 0.1f && !transferEnded.load())
                std::this_thread::sleep_for(1ms);
            if (transferEnded.load())
                return;
            closedAt = Clock::now().time_since_epoch().count();
            session.port().close();
        });

    std::optional<Clock::time_point> failedAt;
    try
    {
        xymodem::SerialHandler handler(session.port());
        xymodem::YModem sender(handler, (folder.path() / "dspUpdate.log").string(), 2);
        sender.transmit(
            {image}, [&](float fraction) { progress = fraction; }, session.yieldStartingReceiver(), false);
    }
    catch (const serial::PortNotOpenedException&)
    {
        failedAt = Clock::now();
    }
    catch (const serial::IOException&)
    {
        failedAt = Clock::now();
    }
    transferEnded = true;
    closer.join();

    ASSERT_NE(closedAt.load(), 0) << "the transfer ended before the close";
    ASSERT_TRUE(failedAt.has_value()) << "no exception of the port";
    EXPECT_LT(progress.load(), 1.0f);
    EXPECT_LT(*failedAt - Clock::time_point(Clock::duration(closedAt.load())), 10s);
}
