#include "UpdateRig.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using namespace updatetest;
using Options = simulator::UpdateModeOptions;

namespace
{
struct WholeUpdateCase
{
    std::string name;
    bool factory;
    bool portsStay;
    std::vector<std::string> directMessages;
    std::optional<std::uint8_t> infoTypeByte = {};
};

const std::vector<std::string> fullTrail(bool factory)
{
    std::vector<std::string> trail{"Please select a file", "Downloading back up."};
    if (!factory)
        trail.push_back("Downloading user presets.");
    trail.insert(trail.end(),
                 {"Opening update file.", "Updating firmware.", "Preparing the update ...",
                  "Rebooting Tavelo ...", "Firmware update: Sending header ...",
                  "Firmware update: Sending firmware ...", "Firmware update: Update complete ! ",
                  "Waiting for reboot.", "Updating DSP.", "Preparing the update ...", "Rebooting Tavelo ...",
                  "DSP update: Sending header ...", "DSP update: Sending firmware ...",
                  "DSP update: Update complete ! ", UpdateRig::powerCycleText});
    if (!factory)
        trail.push_back("Re-uploading presets.");
    trail.push_back("Update finished.");
    return trail;
}

// The progress the update shows with each of its own texts.
const std::map<std::string, double> progressOfText{
    {"Downloading back up.", 0.0},     {"Downloading user presets.", 0.1}, {"Opening update file.", 0.15},
    {"Updating firmware.", 0.2},       {"Waiting for reboot.", 0.37},      {"Updating DSP.", 0.4},
    {UpdateRig::powerCycleText, 0.85}, {"Re-uploading presets.", 0.9},     {"Update finished.", 1.0}};

class WholeUpdate : public testing::TestWithParam<WholeUpdateCase>
{
};

TEST_P(WholeUpdate, sendsBothImagesWholeAndEndsFinished)
{
    const auto& param = GetParam();
    UpdateRig::Setup setup;
    setup.updateMode.delayBeforeUpdateMode = 1500ms;
    setup.updateMode.configureGap = 100ms;
    setup.updateMode.portsStayInUpdateMode = param.portsStay;
    // Ports that stay go only when the restart begins, after the transfer.
    setup.updateMode.portsDropAfterTransfer = 300ms;
    // Off for longer than the 1 s MIDI poll, as a real restart is.
    setup.updateMode.restartTime = 3000ms;
    setup.powerCycleAfter = param.portsStay ? 4000ms : 0ms;
    setup.timing.beforeUpload = 1500ms;
    setup.infoTypeByte = param.infoTypeByte;
    setup.timing.restartWaitSteps = 600; // the whole 60 s: a version may come only at a time-out
    UpdateRig rig(setup);
    const auto archive = rig.writeArchive();

    rig.launch(archive, param.factory);
    ASSERT_TRUE(rig.runToEnd(120s)) << rig.status();

    EXPECT_EQ(rig.status(), "Update finished.");
    EXPECT_EQ(rig.statusTexts(), fullTrail(param.factory));
    for (const auto& step : rig.statusSteps())
        if (const auto expected = progressOfText.find(step.text); expected != progressOfText.end())
            EXPECT_EQ(step.progress, expected->second) << step.text;
    EXPECT_EQ(rig.progress->get(), 1.0);
    // The pause before the upload is whole: no wake-up left from the power
    // cycle wait shortens it (a lower bound, which no load can break).
    const auto steps = rig.statusSteps();
    if (!param.factory)
        EXPECT_GE(steps.back().time - steps[steps.size() - 2].time, setup.timing.beforeUpload);

    const auto images = rig.updateMode.receivedImages();
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].file.name, UpdateRig::firmwareName);
    EXPECT_TRUE(images[0].file.content == rig.firmwareImage());
    EXPECT_EQ(images[1].file.name, UpdateRig::dspName);
    EXPECT_TRUE(images[1].file.content == rig.dspImage());

    std::vector<std::string> messages;
    for (const auto& message : rig.updateMode.directMessages())
    {
        messages.push_back(message.name);
        EXPECT_TRUE(message.accepted) << message.name;
    }
    EXPECT_EQ(messages, param.directMessages);
    EXPECT_FALSE(rig.temporaryFoldersLeft());
    // The user's presets are back in the engine, every slot.
    for (int slot = 0; !param.factory && slot < simulator::PresetDialogue::presetCount; ++slot)
    {
        const auto after = rig.dialogueAfter.getPreset(slot).data;
        const auto& before = rig.presetsBefore[static_cast<size_t>(slot)].data;
        ASSERT_EQ(after.size(), before.size()) << slot;
        for (size_t i = 0; i < after.size(); ++i)
            EXPECT_EQ(juce::MemoryBlock(after[i].getRawData(), size_t(after[i].getRawDataSize())),
                      juce::MemoryBlock(before[i].getRawData(), size_t(before[i].getRawDataSize())))
                << slot;
    }
    // Finished after the power cycle, not before.
    EXPECT_EQ(rig.updateMode.phase(), simulator::InstrumentUpdateMode::Phase::running);

    testsupport::pumpUntil([&] { return !rig.alerts().empty(); }, 500ms);
    const auto alerts = rig.alerts();
    ASSERT_EQ(alerts.size(), param.factory ? 0u : 1u);
    if (!param.factory)
        EXPECT_EQ(alerts[0].title, "Update finished successfully");
}

INSTANTIATE_TEST_SUITE_P(
    ThroughTheCore, WholeUpdate,
    testing::Values(WholeUpdateCase{"userFirmware",
                                    false,
                                    false,
                                    {"configure first", "configure second", "firmware update mode",
                                     "configure first", "configure second", "sound-engine update mode"}},
                    // Its version is known again only at a request's time-out, within the restart wait.
                    WholeUpdateCase{"infoAnswersWithoutTheType",
                                    false,
                                    false,
                                    {"configure first", "configure second", "firmware update mode",
                                     "configure first", "configure second", "sound-engine update mode"},
                                    0x00},
                    WholeUpdateCase{"factoryFirmware",
                                    true,
                                    false,
                                    {"firmware update mode", "factory set-up", "configure first",
                                     "configure second", "sound-engine update mode"}},
                    // The ports go 300 ms after the last ACK: the restart
                    // wait must not take the old ports for the new ones,
                    // nor the power-cycle wait the installing instrument.
                    WholeUpdateCase{"portsGoOnlyAtTheRestart",
                                    true,
                                    true,
                                    {"firmware update mode", "factory set-up", "configure first",
                                     "configure second", "sound-engine update mode"}}),
    [](const auto& info) { return info.param.name; });
} // namespace
