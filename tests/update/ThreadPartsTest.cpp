#include "UpdateRig.h"
#include "support/MessageLoop.h"
#include "update/FullUpdateThread.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace updatetest;

namespace
{
// A Core with no instrument at all: no MIDI ports, no serial port.
struct LoneThread
{
    LoneThread()
    {
        PlatformServices services;
        services.listSerialPorts = [] { return std::vector<serial::PortInfo>(); };
        services.midiSystem = std::make_shared<simulator::VirtualMidiBus>();
        services.alertSink = alerts;
        services.inhibitSleep = [] { return nullptr; };
        core = std::make_unique<Core>(std::move(services));
        thread = std::make_unique<FullUpdateThread>(
            *core, std::vector<std::filesystem::path>{"update.taveloupdate"}, progress, status, false);
    }

    testsupport::TemporaryHome home;
    const std::shared_ptr<AlertRecorder> alerts = std::make_shared<AlertRecorder>();
    const SharedProgress progress = std::make_shared<Progress>();
    const std::shared_ptr<Status> status = std::make_shared<Status>();
    std::unique_ptr<Core> core;
    std::unique_ptr<FullUpdateThread> thread;
};

struct ProgressCase
{
    bool firmware;
    float fraction;
    const char* text;
    double progress;
};

class TransferProgress : public testing::TestWithParam<ProgressCase>
{
};

TEST_P(TransferProgress, mapsTheSendersFractionOntoTheUpdate)
{
    LoneThread lone;
    const auto& param = GetParam();
    if (param.firmware)
        lone.thread->onFirmwareTransferProgress(param.fraction);
    else
        lone.thread->onDspTransferProgress(param.fraction);
    EXPECT_EQ(readStatusText(*lone.status), param.text);
    // The ends exactly: the 0.37 rule compares with ==.
    if (param.fraction == 1.0f)
        EXPECT_EQ(lone.progress->get(), param.progress);
    else
        EXPECT_NEAR(lone.progress->get(), param.progress, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(
    EdgeValues, TransferProgress,
    testing::Values(ProgressCase{true, 0.04f, "Firmware update: Sending header ...", 0.2068},
                    ProgressCase{true, 1.0f, "Firmware update: Update complete ! ", 0.37},
                    ProgressCase{false, 0.5f, "DSP update: Sending firmware ...", 0.615}),
    [](const auto& test)
    {
        return std::string(test.param.firmware ? "Firmware" : "Dsp") +
               std::to_string(static_cast<int>(test.param.fraction * 100 + 0.5f)) + "Percent";
    });

// No serial port and no firmware version: one attempt, then the alert.
TEST(OpenSerialDevice, withoutUpdateModeFailsAtOnceWithTheAlert)
{
    LoneThread lone;
    EXPECT_FALSE(lone.thread->openSerialDevice());
    // Never reached the retries, which say "Rebooting Tavelo ...".
    EXPECT_EQ(readStatusText(*lone.status), "Preparing the update ...");
    ASSERT_TRUE(testsupport::pumpUntil([&] { return !lone.alerts->alerts().empty(); }, 2s));
    EXPECT_EQ(lone.alerts->alerts()[0].message, "The update mode must be available to update the device.");
}
} // namespace
