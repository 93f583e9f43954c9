#include "PseudoTerminal.h"
#include "ScriptedPortListing.h"

#include "core/Core.h"
#include "core/CoreExceptions.h"
#include "serial/CustomBaudRate.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using testsupport::ScriptedPortListing;

namespace
{
class CoreSerial : public ::testing::Test
{
protected:
    CoreSerial()
    {
        core.serialDeviceFacade.serialWatcher.stopTimer();
        log.clear();
    }

    // One poll of the watcher, as its timer would do.
    void poll() { core.serialDeviceFacade.serialWatcher.timerCallback(); }

    static PlatformServices services(ScriptedPortListing& listing)
    {
        PlatformServices platform;
        platform.listSerialPorts = listing.lister();
        return platform;
    }

    testsupport::LogCapture log;
    ScriptedPortListing listing;
    Core core{services(listing)};
};
} // namespace

TEST_F(CoreSerial, NoPortHeldOrAPortGoneSinceTheLastPollIsNotFound)
{
    listing.set({ScriptedPortListing::otherDevice("/dev/ttyUSB0")});
    poll();
    EXPECT_THROW(core.openSerialDevice(), CoreExceptions::CouldNotFindDevice);
    EXPECT_EQ(log.count(spdlog::level::warn, "Could not find serial device"), 1);
    EXPECT_FALSE(log.contains("Opening serial port"));

    simulator::PseudoTerminal pty;
    listing.set({ScriptedPortListing::instrument(pty.slavePath())});
    poll();
    ASSERT_EQ(core.serialDeviceFacade.serialWatcher.getPort().port, pty.slavePath());
    listing.set({ScriptedPortListing::instrument(pty.slavePath() + "-other")});
    EXPECT_THROW(core.openSerialDevice(), CoreExceptions::CouldNotFindDevice);
    EXPECT_FALSE(core.serialDeviceFacade.serialPort.isOpen());
}

TEST_F(CoreSerial, AListedPortThatWillNotOpenIsReportedWithItsPath)
{
    simulator::PseudoTerminal pty;
    const std::string path = pty.slavePath();
    // The device went away: its node is gone, but the listing still has it.
    pty.hangUp();
    listing.set({ScriptedPortListing::instrument(path)});
    poll();
    try
    {
        core.openSerialDevice();
        FAIL() << "opened a vanished port";
    }
    catch (const CoreExceptions::CouldNotOpenInputDevice& exception)
    {
        EXPECT_EQ(exception.getPath(), juce::String(path));
    }
    const auto lines = log.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2].level, spdlog::level::info);
    EXPECT_EQ(lines[lines.size() - 2].text, "Opening serial port: " + path);
    EXPECT_EQ(lines.back().level, spdlog::level::warn);
    EXPECT_EQ(lines.back().text, "Could not open serial device");

    // The settings stay for the next attempt.
    EXPECT_EQ(core.serialDeviceFacade.serialPort.getPort(), path);
    EXPECT_EQ(core.serialDeviceFacade.serialPort.getBaudrate(), 115200u);
}

TEST_F(CoreSerial, OpensTheHeldPortWithTheTransferSettings)
{
    simulator::PseudoTerminal pty;
    listing.set(
        {ScriptedPortListing::otherDevice("/dev/ttyUSB0"), ScriptedPortListing::instrument(pty.slavePath())});
    poll();
    core.openSerialDevice();

    auto& port = core.serialDeviceFacade.serialPort;
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(log.count(spdlog::level::info, "Opening serial port: " + pty.slavePath()), 1);
    EXPECT_EQ(port.getPort(), pty.slavePath());
    EXPECT_EQ(port.getBaudrate(), 115200u);
    EXPECT_EQ(serial::detail::readBaudRate(pty.slaveFd()), 115200u);
    const serial::Timeout timeout = port.getTimeout();
    EXPECT_EQ(timeout.inter_byte_timeout, 100000u);
    EXPECT_EQ(timeout.read_timeout_constant, 30000u);
    EXPECT_EQ(timeout.read_timeout_multiplier, 20u);
    EXPECT_EQ(timeout.write_timeout_constant, 100000u);
    EXPECT_EQ(timeout.write_timeout_multiplier, 20u);
    EXPECT_EQ(port.getBytesize(), serial::eightbits);
    EXPECT_EQ(port.getParity(), serial::parity_none);
    EXPECT_EQ(port.getStopbits(), serial::stopbits_one);
    EXPECT_EQ(port.getFlowcontrol(), serial::flowcontrol_none);

    EXPECT_EQ(port.write(std::string("C")), 1u);
    EXPECT_EQ(pty.readFromPort(1, 1000ms), std::vector<uint8_t>{'C'});
    pty.writeToPort({0x06});
    std::vector<uint8_t> answer;
    EXPECT_EQ(port.read(answer, 1), 1u);
    EXPECT_EQ(answer, std::vector<uint8_t>{0x06});
    port.close();
}
