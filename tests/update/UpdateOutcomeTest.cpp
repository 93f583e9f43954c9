#include "UpdateRig.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <functional>

using namespace std::chrono_literals;
using namespace updatetest;
using Fault = simulator::UpdateModeSerialPort::Fault;
using PortFault = simulator::UpdateModeOptions::PortFault;

namespace
{
constexpr size_t firmwareSize = 64 * 1024;
constexpr size_t dspSize = 48 * 1024;

struct Outcome
{
    std::string name;
    std::function<void(UpdateRig::Setup&)> arrange;
    bool factory;
    std::string finalStatus;
    std::string alert;    // empty: none
    std::string onTheWay; // a status text or log line on the way
};

bool contains(const std::vector<std::string>& texts, const std::string& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

class UpdateOutcome : public testing::TestWithParam<Outcome>
{
};

TEST_P(UpdateOutcome, endsWithTheStatusTheUserSees)
{
    const auto& param = GetParam();
    UpdateRig::Setup setup;
    setup.updateMode.configureGap = 100ms;
    setup.updateMode.delayBeforeUpdateMode = 500ms;
    param.arrange(setup);
    UpdateRig rig(setup);
    auto archive = rig.writeArchive(firmwareSize, dspSize);
    if (param.name == "archiveMissing")
        archive = rig.folder.path() / "missing.taveloupdate";

    const auto started = std::chrono::steady_clock::now();
    rig.launch(archive, param.factory);
    ASSERT_TRUE(rig.runToEnd(120s)) << rig.status();
    std::cout << "[ outcome  ] " << param.name << " ended after "
              << std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() << " s\n";

    EXPECT_EQ(rig.status().toStdString(), param.finalStatus) << describe(rig.statusSteps());
    testsupport::pumpMessages(300ms);
    std::vector<std::string> alerts;
    for (const auto& alert : rig.alerts())
        alerts.push_back(alert.title.toStdString() + ": " + alert.message.toStdString());
    if (param.alert.empty())
        EXPECT_TRUE(alerts.empty()) << testing::PrintToString(alerts);
    else
        EXPECT_TRUE(contains(alerts, "Error: " + param.alert)) << testing::PrintToString(alerts);
    if (!param.onTheWay.empty())
        EXPECT_TRUE(contains(rig.statusTexts(), param.onTheWay) || rig.log.contains(param.onTheWay))
            << param.onTheWay;
    EXPECT_FALSE(rig.temporaryFoldersLeft());
    EXPECT_FALSE(rig.core->serialDeviceFacade.serialPort.isOpen());
    if (param.finalStatus.rfind("Error during back up download: ", 0) == 0)
        EXPECT_TRUE(rig.updateMode.receivedImages().empty() && rig.updateMode.directMessages().empty());
}

void nothing(UpdateRig::Setup&) {}

const std::string timeOut = "Waited to much time for the device to reboot.";

INSTANTIATE_TEST_SUITE_P(
    EachRow, UpdateOutcome,
    testing::Values(
        // Checked before the instrument is touched.
        Outcome{"archiveMissing", nothing, false,
                "Error while uncompressing taveloupdate file: No such file or directory", "",
                "Please select a file"},
        // An incomplete back-up stops the update before anything is flashed.
        Outcome{"backUpAnswersCutShort",
                [](UpdateRig::Setup& s) { s.answers = simulator::Misbehaviour::cutShort; }, false,
                "Error during back up download: Transmission aborted.",
                "Could not get calibration of key number 0.", "Error !"},
        Outcome{"presetsWithoutSoundEngine", [](UpdateRig::Setup& s) { s.withSoundEngine = false; }, false,
                "Error while downloading presets: Could not find a midi input corresponding to Ormel.", "",
                "Downloading user presets."},
        Outcome{"portNeverShown", [](UpdateRig::Setup& s) { s.updateMode.portFault = PortFault::neverShown; },
                true, "Error: Failed to prepare the firmare update.",
                "Could not open the device in update mode.", "Rebooting Tavelo ..."},
        // Shown after 7 s: opened on the 4th retry, 2 s apart.
        Outcome{"portShownAfterSevenSeconds",
                [](UpdateRig::Setup& s)
                {
                    s.updateMode.portFault = PortFault::shownLate;
                    s.timing.openRetryPause = 2000ms;
                },
                true, "Update finished.", "", "Rebooting Tavelo ..."},
        Outcome{"goneRightAfterTheLastAck",
                [](UpdateRig::Setup& s) {
                    s.updateMode.firmwareFault = {Fault::hangUpAfterLastAck, firmwareSize};
                },
                true, "Update finished.", "", "Tavelo rebooted too early. Continuing the update anyways..."},
        Outcome{"receiverKilledMidway",
                [](UpdateRig::Setup& s) {
                    s.updateMode.firmwareFault = {Fault::receiverKilledMidway, firmwareSize};
                },
                true, "Error: Failed to send the firmware file.", "", "Transmission aborted."},
        // The update goes on after the time-out, to an instrument that is
        // not there.
        Outcome{"neverBack", [](UpdateRig::Setup& s) { s.updateMode.comesBack = false; }, false,
                "Error: Failed to prepare the DSP update.", timeOut, "Error: " + timeOut},
        // Back during the last of the waits: still the time-out, then on.
        Outcome{"backDuringTheLastWait",
                [](UpdateRig::Setup& s)
                {
                    s.timing.restartWaitSteps = 2;
                    s.timing.restartWaitStep = 8000ms;
                    s.updateMode.restartTime = 11000ms;
                },
                true, "Update finished.", timeOut, "Error: " + timeOut},
        // Ports that never go: known through three polls means restarted.
        Outcome{"portsNeverGo",
                [](UpdateRig::Setup& s)
                {
                    s.updateMode.portsStayInUpdateMode = true;
                    s.updateMode.portsDropAfterTransfer.reset();
                },
                true, "Update finished.", "", ""},
        // Closing the broken port fails too; the failure row still runs.
        Outcome{"portDescriptorLostMidway",
                [](UpdateRig::Setup& s) {
                    s.updateMode.firmwareFault = {Fault::senderDescriptorLostMidway, firmwareSize};
                },
                true, "Error: Failed to send the firmware file.", "", "Could not close the serial port: "},
        Outcome{"soundEngineGoneAfterItsLastAck",
                [](UpdateRig::Setup& s) {
                    s.updateMode.soundEngineFault = {Fault::hangUpAfterLastAck, dspSize};
                },
                true, "Error: Failed to send the ormel file.", "", "Transmission aborted."},
        Outcome{"soundEngineGoneAtUpload",
                [](UpdateRig::Setup& s) { s.soundEngineLeavesAtPowerCycle = true; }, false,
                "Error: Could not find a midi input corresponding to Ormel.", "", "Re-uploading presets."}),
    [](const auto& info) { return info.param.name; });
} // namespace
