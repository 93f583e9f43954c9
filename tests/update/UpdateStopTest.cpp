#include "UpdateRig.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>

using namespace std::chrono_literals;
using namespace updatetest;
using PortFault = simulator::UpdateModeOptions::PortFault;

namespace
{
struct StopCase
{
    std::string name;
    // The status text that shows the phase has begun.
    std::string phaseText;
    std::function<void(UpdateRig::Setup&)> arrange;
    // The Core goes (shutdown) instead of only the thread (a new launch).
    bool destroyCore = false;
    // Long enough for the transfer to be under way when the stop comes.
    size_t firmwareSize = 64 * 1024;
};

class UpdateStop : public testing::TestWithParam<StopCase>
{
};

TEST_P(UpdateStop, endsTheRunWithinTheTarget)
{
    const auto& param = GetParam();
    UpdateRig::Setup setup;
    setup.updateMode.configureGap = 100ms;
    setup.updateMode.delayBeforeUpdateMode = 300ms;
    setup.powerCycleAfter.reset();
    // Every phase as long as the product's, or longer.
    setup.timing.openRetryPause = 2000ms;
    setup.timing.restartWaitStep = 1000ms;
    setup.timing.restartWaitSteps = 60;
    setup.timing.beforeUpload = 60000ms;
    param.arrange(setup);
    UpdateRig rig(setup);
    const auto archive = rig.writeArchive(param.firmwareSize, 48 * 1024);
    rig.launch(archive, false);
    ASSERT_TRUE(rig.runUntilStatus(param.phaseText, 60s)) << describe(rig.statusSteps());
    const auto alertsBefore = rig.alerts().size();

    const auto started = std::chrono::steady_clock::now();
    if (param.destroyCore)
        rig.core.reset();
    else
        rig.core->longOperation.reset();
    const auto took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "[ stop     ] " << param.name << ": " << took << " s (target 2 s)\n";

    EXPECT_LT(took, 10.0);
    EXPECT_EQ(rig.log.count(spdlog::level::err, "Could not exit thread cleanly, callstack:"), 0);
    testsupport::pumpMessages(300ms);
    // None once a stop was asked for.
    EXPECT_EQ(rig.alerts().size(), alertsBefore);
    EXPECT_NE(rig.status(), "Update finished.");
    if (param.name == "transfer")
        EXPECT_EQ(rig.log.count("The firmware has been updated."), 0);
    EXPECT_FALSE(rig.temporaryFoldersLeft());
}

void nothing(UpdateRig::Setup&) {}

INSTANTIATE_TEST_SUITE_P(
    EveryPhase, UpdateStop,
    testing::Values(StopCase{"backUpWait", "Downloading back up.",
                             [](UpdateRig::Setup& s) { s.answers = simulator::Misbehaviour::late; }},
                    StopCase{"presetDownload", "Downloading user presets.", nothing},
                    StopCase{"openRetries", "Rebooting Tavelo ...",
                             [](UpdateRig::Setup& s) { s.updateMode.portFault = PortFault::neverShown; }},
                    StopCase{"transfer", "Firmware update: Sending firmware ...", nothing, false,
                             4 * 1024 * 1024},
                    StopCase{"restartWait", "Waiting for reboot.",
                             [](UpdateRig::Setup& s) { s.updateMode.comesBack = false; }},
                    StopCase{"powerCycleWait", UpdateRig::powerCycleText, nothing},
                    StopCase{"uploadPause", "Re-uploading presets.",
                             [](UpdateRig::Setup& s) { s.powerCycleAfter = 0ms; }},
                    StopCase{"restartWaitAtShutdown", "Waiting for reboot.",
                             [](UpdateRig::Setup& s) { s.updateMode.comesBack = false; }, true}),
    [](const auto& info) { return info.param.name; });
} // namespace
