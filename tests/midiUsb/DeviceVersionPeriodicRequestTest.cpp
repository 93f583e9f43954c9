#include "midiUsb/DeviceVersionPeriodicRequest.h"
#include "DeviceLinkTestSupport.h"
#include "InstrumentLink.h"
#include "SimulatedInstrument.h"
#include "common/Dictionary.h"
#include "support/LogCapture.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using devicelinktest::text;
using midiUsb::InfoRequestType;
using testsupport::pumpMessages;
using testsupport::pumpUntil;

namespace
{
using Requests = std::vector<InfoRequestType>;

// The requester with the instrument on the bus, the queue ticking and the
// answers parsed on the message thread.
class DeviceVersionPeriodicRequestTest : public ::testing::Test
{
protected:
    DeviceVersionPeriodicRequestTest()
    {
        devicelinktest::fillDeviceValues(values);
        instrument.connect();
        link = std::make_unique<simulator::InstrumentLink>(bus, handler);
        handler.startTimer(midiUsb::SysExMidiHandler::tickPeriodMs);
    }

    bool runUntilStopped(std::chrono::milliseconds timeout = 10s)
    {
        return pumpUntil([this] { return !requester.isRunning(); }, timeout);
    }

    Requests sent() const { return devicelinktest::infoRequestsSent(bus); }

    testsupport::LogCapture log;
    simulator::VirtualMidiBus bus;
    SharedValueTable values;
    simulator::SimulatedInstrument instrument{bus};
    midiUsb::SysExMidiHandler handler;
    std::unique_ptr<simulator::InstrumentLink> link;
    midiUsb::DeviceVersionPeriodicRequest requester{values, &handler};
};

TEST_F(DeviceVersionPeriodicRequestTest, asksFirmwareThenSoundEngineThenSerialOncePerSecondAndStops)
{
    const auto data = instrument.getData();
    requester.start();

    pumpMessages(500ms);
    EXPECT_TRUE(sent().empty());
    ASSERT_TRUE(runUntilStopped());

    EXPECT_EQ(sent(), (Requests{InfoRequestType::firmwareVersion, InfoRequestType::ormelVersion,
                                InfoRequestType::serialNumber}));
    EXPECT_EQ(text(values, Dictionary::currentTaveloVersionKey), data.firmwareVersion);
    EXPECT_EQ(text(values, Dictionary::currentPirelMatrixVersionKey), data.ormelVersion);
    EXPECT_EQ(text(values, Dictionary::casingSerialNumber), data.serialNumber);
    EXPECT_EQ(log.count(spdlog::level::info, "Firmware version: " + data.firmwareVersion.toStdString()), 1);
    EXPECT_EQ(log.count(spdlog::level::info, "Ormel DSP version: " + data.ormelVersion.toStdString()), 1);
    EXPECT_EQ(
        log.count(spdlog::level::info, "Casing serial number received: " + data.serialNumber.toStdString()),
        1);
    EXPECT_TRUE(handler.getRequestQueue().isEmpty());
}

TEST_F(DeviceVersionPeriodicRequestTest, withoutAnOutputItStopsWithItsLogAndAsksNothing)
{
    link.reset();
    requester.start();
    ASSERT_TRUE(runUntilStopped(3s));

    EXPECT_EQ(log.count(spdlog::level::info,
                        "Device disconnected: stopped ongoing firmware version number requests."),
              1);
    EXPECT_TRUE(handler.getRequestQueue().isEmpty());
    EXPECT_TRUE(bus.getTraffic().empty());
}

TEST_F(DeviceVersionPeriodicRequestTest, valuesAlreadyKnownAreNotAskedFor)
{
    values[Dictionary::currentTaveloVersionKey] = "1.0.0";
    values[Dictionary::currentPirelMatrixVersionKey] = "";
    values[Dictionary::casingSerialNumber] = "TVP-1";
    requester.start();
    ASSERT_TRUE(runUntilStopped(3s));
    EXPECT_TRUE(sent().empty());
}

TEST_F(DeviceVersionPeriodicRequestTest, anEmptyTextCountsAsKnown)
{
    instrument.setFirmwareVersion("");
    requester.start();
    ASSERT_TRUE(runUntilStopped());

    EXPECT_EQ(text(values, Dictionary::currentTaveloVersionKey), "");
    EXPECT_EQ(sent(), (Requests{InfoRequestType::firmwareVersion, InfoRequestType::ormelVersion,
                                InfoRequestType::serialNumber}));
}

TEST_F(DeviceVersionPeriodicRequestTest, anInvalidAnswerIsLoggedAndAskedAgain)
{
    instrument.misbehaveOnNext(simulator::Misbehaviour::wrongSubCodes);
    instrument.misbehaveOnNext(simulator::Misbehaviour::none, 2);
    instrument.misbehaveOnNext(simulator::Misbehaviour::wrongSubCodes);
    requester.start();
    ASSERT_TRUE(runUntilStopped(12s));

    EXPECT_EQ(sent(), (Requests{InfoRequestType::firmwareVersion, InfoRequestType::firmwareVersion,
                                InfoRequestType::ormelVersion, InfoRequestType::serialNumber,
                                InfoRequestType::serialNumber}));
    EXPECT_EQ(
        log.count(spdlog::level::err, "Tavelo firmware version request: The device's answer is invalid."), 1);
    EXPECT_EQ(log.count(spdlog::level::warn, "Tavelo serial number request: the device answer is invalid."),
              1);
    EXPECT_EQ(text(values, Dictionary::casingSerialNumber), instrument.getData().serialNumber);
}

TEST_F(DeviceVersionPeriodicRequestTest, aSilentInstrumentIsNotAskedAgainWhileItsRequestIsPending)
{
    // The first answer comes after three and a half seconds: three ticks
    // find the firmware version missing meanwhile.
    instrument.setLateDelay(3500ms);
    instrument.misbehaveOnNext(simulator::Misbehaviour::late);
    requester.start();
    ASSERT_TRUE(runUntilStopped(12s));

    EXPECT_EQ(sent(), (Requests{InfoRequestType::firmwareVersion, InfoRequestType::ormelVersion,
                                InfoRequestType::serialNumber}));
    EXPECT_EQ(text(values, Dictionary::currentTaveloVersionKey), instrument.getData().firmwareVersion);
}

TEST_F(DeviceVersionPeriodicRequestTest, aRequestClearedFromTheQueueIsAskedAgain)
{
    instrument.setMisbehaviour(simulator::Misbehaviour::silent);
    requester.start();
    ASSERT_TRUE(pumpUntil([this] { return sent().size() == 1; }, 3s));
    pumpMessages(1500ms);
    EXPECT_EQ(sent().size(), 1u);

    handler.getRequestQueue().clear();
    instrument.setMisbehaviour(simulator::Misbehaviour::none);
    ASSERT_TRUE(runUntilStopped());
    EXPECT_EQ(devicelinktest::countInfoRequestsSent(bus, InfoRequestType::firmwareVersion), 2);
}
} // namespace
