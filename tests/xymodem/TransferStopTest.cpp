#include "RbSession.h"
#include "SerialHandler.h"
#include "XYModemExceptions.h"
#include "YModem.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace simulator;
using namespace testsupport;
using namespace std::chrono_literals;

// The update thread's owner breaks a transfer off by closing the port from
// its own thread: the transfer ends at once with the port's exception.
TEST(TransferStop, ClosingThePortFromAnotherThreadEndsTheTransfer)
{
    TemporaryFolder folder;
    const auto image = folder.writeFile("image.sfb", randomContent(1024 * 1024, 8));
    RbSession session(folder.path());
    std::atomic<float> progress{0.0f};

    std::thread closer(
        [&]
        {
            pthread_setname_np(pthread_self(), "port closer");
            while (progress.load() < 0.1f)
                std::this_thread::sleep_for(1ms);
            session.port().close();
        });

    const auto started = std::chrono::steady_clock::now();
    bool failedWithThePortsException = false;
    try
    {
        xymodem::SerialHandler handler(session.port());
        xymodem::YModem sender(handler, (folder.path() / "dspUpdate.log").string(), 2);
        sender.transmit(
            {image}, [&](float fraction) { progress = fraction; }, session.yieldStartingReceiver(), false);
    }
    catch (const serial::PortNotOpenedException&)
    {
        failedWithThePortsException = true;
    }
    catch (const serial::IOException&)
    {
        failedWithThePortsException = true;
    }
    closer.join();

    EXPECT_TRUE(failedWithThePortsException);
    EXPECT_LT(progress.load(), 1.0f);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
}
