#include "PseudoTerminal.h"
#include "ScriptedPortListing.h"

#include "core/Core.h"
#include "core/CoreExceptions.h"
#include "serial/CustomBaudRate.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using P = testsupport::ScriptedPortListing;

namespace
{
struct CoreSerial : ::testing::Test
{
    CoreSerial() { core.serialDeviceFacade.serialWatcher.stopTimer(); }

    // The listing, then one poll of the watcher, as its timer would do.
    void poll(std::vector<serial::PortInfo> ports)
    {
        listing.ports = std::move(ports);
        core.serialDeviceFacade.serialWatcher.timerCallback();
    }

    P listing;
    Core core{[this]
              {
                  PlatformServices platform;
                  platform.listSerialPorts = listing.lister();
                  return platform;
              }()};
    testsupport::LogCapture log;
    simulator::PseudoTerminal pty;
};
} // namespace

TEST_F(CoreSerial, NoPortHeldAPortGoneSinceTheLastPollOrOneThatWillNotOpenFails)
{
    poll({P::otherDevice("/dev/ttyUSB0")});
    EXPECT_THROW(core.openSerialDevice(), CoreExceptions::CouldNotFindDevice);
    poll({P::instrument(pty.slavePath())});
    listing.ports = {P::instrument(pty.slavePath() + "-other")};
    EXPECT_THROW(core.openSerialDevice(), CoreExceptions::CouldNotFindDevice);
    EXPECT_EQ(log.count(spdlog::level::warn, "Could not find serial device"), 2);
    EXPECT_FALSE(log.contains("Opening serial port"));

    const std::string path = pty.slavePath();
    pty.hangUp(); // the device went away, the listing still has it
    poll({P::instrument(path)});
    try
    {
        core.openSerialDevice();
        FAIL() << "opened a vanished port";
    }
    catch (const CoreExceptions::CouldNotOpenInputDevice& exception)
    {
        EXPECT_EQ(exception.getPath(), juce::String(path));
    }
    EXPECT_EQ(log.count(spdlog::level::info, "Opening serial port: " + path), 1);
    EXPECT_EQ(log.lines().back().text, "Could not open serial device");
    EXPECT_FALSE(core.serialDeviceFacade.serialPort.isOpen());
}

TEST_F(CoreSerial, OpensTheHeldPortWithTheTransferSettings)
{
    poll({P::otherDevice("/dev/ttyUSB0"), P::instrument(pty.slavePath())});
    core.openSerialDevice();
    auto& port = core.serialDeviceFacade.serialPort;
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(serial::detail::readBaudRate(pty.slaveFd()), 115200u);
    const serial::Timeout t = port.getTimeout();
    EXPECT_EQ(std::vector<uint32_t>({t.inter_byte_timeout, t.read_timeout_constant, t.read_timeout_multiplier,
                                     t.write_timeout_constant, t.write_timeout_multiplier}),
              std::vector<uint32_t>({100000, 30000, 20, 100000, 20}));
    EXPECT_EQ(port.write(std::string("C")), 1u);
    EXPECT_EQ(pty.readFromPort(1, 1000ms), std::vector<uint8_t>{'C'});
}
