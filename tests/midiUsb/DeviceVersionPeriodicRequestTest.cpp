#include "midiUsb/DeviceVersionPeriodicRequest.h"
#include "DeviceLinkTestSupport.h"
#include "InstrumentLink.h"
#include "SimulatedInstrument.h"
#include "TaveloPlayResponder.h"

using namespace std::chrono_literals;
using midiUsb::InfoRequestType;
using simulator::Misbehaviour;
using testsupport::pumpUntil;

namespace
{
using Requests = std::vector<InfoRequestType>;

// The requester with the instrument on the bus, the answers parsed on the message thread.
class DeviceVersionPeriodicRequestTest : public ::testing::Test
{
protected:
    DeviceVersionPeriodicRequestTest()
    {
        devicelinktest::fillDeviceValues(values);
        instrument.connect();
        link = std::make_unique<simulator::InstrumentLink>(bus, handler);
    }

    // Long enough for three answers that each wait for a request's time-out.
    bool runUntilStopped()
    {
        return pumpUntil([this] { return !requester.isRunning(); }, 60s);
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

TEST_F(DeviceVersionPeriodicRequestTest, asksOnceASecondForWhatIsUnknownUntilAllIsKnown)
{
    using I = InfoRequestType;
    const Requests all{I::firmwareVersion, I::ormelVersion, I::serialNumber};
    const std::vector<std::string> successLines{"Firmware version: 2.3.1", "Ormel DSP version: 1.8.0",
                                                "Casing serial number received: TVP-0042-1187"};
    struct Row
    {
        const char* name;
        std::function<void()> setUp;
        Requests expected;
        std::vector<std::string> logLines;
    };
    // clang-format off
    const Row rows[] = {
        {"all unknown", [] {}, all, successLines},
        {"known values, an empty one too, are not asked for",
         [this] {
             values[Dictionary::currentTaveloVersionKey] = "1.0.0";
             values[Dictionary::currentPirelMatrixVersionKey] = "";
             values[Dictionary::casingSerialNumber] = "TVP-1";
         }, {}, {}},
        {"an invalid answer is logged and asked for again",
         [this] {
             instrument.misbehaveOnNext(Misbehaviour::wrongSubCodes);
             instrument.misbehaveOnNext(Misbehaviour::none, 2);
             instrument.misbehaveOnNext(Misbehaviour::wrongSubCodes);
         },
         {I::firmwareVersion, I::firmwareVersion, I::ormelVersion, I::serialNumber, I::serialNumber},
         {"Tavelo firmware version request: The device's answer is invalid.",
          "Tavelo serial number request: the device answer is invalid."}},
        // Answers that do not repeat the type asked for stand in for it at the request's time-out.
        {"type byte always 00", [this] { instrument.setInfoTypeByte(0x00); }, all, successLines},
        {"type byte always 04", [this] { instrument.setInfoTypeByte(0x04); }, all, successLines},
        {"another request's stale answer before each proper one",
         [this] { instrument.misbehaveOnNext(Misbehaviour::staleAnswerFirst, 3); }, all, successLines},
        {"without an output it stops and asks nothing", [this] { link.reset(); }, {},
         {"Device disconnected: stopped ongoing firmware version number requests."}},
    };
    // clang-format on
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.name);
        devicelinktest::fillDeviceValues(values);
        bus.clearSent();
        log.clear();
        instrument.setInfoTypeByte(std::nullopt);
        row.setUp();
        requester.start();
        ASSERT_TRUE(runUntilStopped());
        EXPECT_EQ(sent(), row.expected);
        for (const auto& line : row.logLines)
            EXPECT_EQ(log.count(line), 1) << line;
        EXPECT_FALSE(log.contains("timed out"));
        EXPECT_FALSE(log.contains(simulator::TaveloPlayResponder::staleText));
        if (row.expected == all)
            EXPECT_EQ(devicelinktest::text(values, Dictionary::casingSerialNumber),
                      instrument.getData().serialNumber);
    }
}

TEST_F(DeviceVersionPeriodicRequestTest, aRequestClearedFromTheQueueIsAskedAgain)
{
    instrument.setMisbehaviour(Misbehaviour::silent);
    requester.start();
    ASSERT_TRUE(pumpUntil([this] { return sent().size() == 1; }, 3s));
    testsupport::pumpMessages(1500ms);
    EXPECT_EQ(sent().size(), 1u) << "no new request while one waits";
    handler.getRequestQueue().clear();
    instrument.setMisbehaviour(Misbehaviour::none);
    ASSERT_TRUE(runUntilStopped());
    const auto requests = sent();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), InfoRequestType::firmwareVersion), 2);
}
} // namespace
