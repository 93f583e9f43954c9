#include "PseudoTerminal.h"
#include "UpdateRig.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <thread>

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
    // Once the phase has begun, the stop waits for this log line too, with
    // the message loop held (the message thread busy elsewhere) or pumped.
    std::string logged = {};
    bool holdMessageLoop = false;
    // Run just before the stop.
    std::function<void(UpdateRig&)> beforeStop = {};
};

// The serial port open on a line whose descriptor was closed behind its back:
// closing it fails.
void portThatFailsToClose(UpdateRig& rig)
{
    // Outlives the rig: its descriptor numbers are never handed out again meanwhile.
    static simulator::PseudoTerminal line;
    auto& port = rig.core->serialDeviceFacade.serialPort;
    port.setPort(line.slavePath());
    port.open();
    ASSERT_EQ(line.closeForeignSlaveDescriptors(), 1);
}

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
    const auto logged = [&] { return rig.log.contains(param.logged); };
    if (!param.holdMessageLoop)
        testsupport::pumpUntil(logged, 60s);
    for (const auto giveUp = std::chrono::steady_clock::now() + 60s;
         !logged() && std::chrono::steady_clock::now() < giveUp;)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(logged()) << param.logged;
    if (param.beforeStop)
        param.beforeStop(rig);
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
    // Every phase ends through the stop row, with no error of its own.
    EXPECT_EQ(rig.status(), "Operation aborted.") << describe(rig.statusSteps());
    EXPECT_EQ(rig.log.count(spdlog::level::warn, "Operation canceled by the user."), 1);
    for (const auto& line : rig.log.lines())
        EXPECT_NE(line.level, spdlog::level::critical) << line.text;
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
                    StopCase{"presetAnswers", "Downloading user presets.", nothing, false, 64 * 1024,
                             "Received preset named"},
                    // The message thread is in the destructor and never lists the ports.
                    StopCase{"proxyListingWait", "Downloading user presets.",
                             [](UpdateRig::Setup& s)
                             {
                                 s.timing.burstGap = 1000ms;
                                 s.timing.deviceListingWait = 60000ms;
                             },
                             false, 64 * 1024, "Waiting for the MIDI ports to be listed.", true},
                    StopCase{"openRetries", "Rebooting Tavelo ...",
                             [](UpdateRig::Setup& s) { s.updateMode.portFault = PortFault::neverShown; }},
                    StopCase{"transfer", "Firmware update: Sending firmware ...", nothing, false,
                             4 * 1024 * 1024},
                    StopCase{"restartWait", "Waiting for reboot.",
                             [](UpdateRig::Setup& s) { s.updateMode.comesBack = false; }},
                    StopCase{"powerCycleWait", UpdateRig::powerCycleText, nothing},
                    StopCase{"uploadPause", "Re-uploading presets.",
                             [](UpdateRig::Setup& s) { s.powerCycleAfter = 0ms; }},
                    StopCase{"upload", "Re-uploading presets.",
                             [](UpdateRig::Setup& s)
                             {
                                 s.powerCycleAfter = 0ms;
                                 s.timing.beforeUpload = 0ms;
                             },
                             false, 64 * 1024, "Uploading preset: "},
                    StopCase{"portFailsToClose", "Waiting for reboot.",
                             [](UpdateRig::Setup& s) { s.updateMode.comesBack = false; }, false, 64 * 1024,
                             "", false, portThatFailsToClose},
                    StopCase{"restartWaitAtShutdown", "Waiting for reboot.",
                             [](UpdateRig::Setup& s) { s.updateMode.comesBack = false; }, true}),
    [](const auto& info) { return info.param.name; });
} // namespace
