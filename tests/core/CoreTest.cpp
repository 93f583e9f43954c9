#include "core/Core.h"
#include "common/Dictionary.h"
#include "support/LogCapture.h"
#include "support/MessageLoop.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace std::chrono_literals;
using juce::SystemStats;

TEST(Core, LogsTheMachineAtStart)
{
    const testsupport::TemporaryHome home;
    testsupport::LogCapture log;
    const Core core;

    std::vector<std::string> info;
    for (const auto& line : log.lines())
        if (line.level == spdlog::level::info)
            info.push_back(line.text);
    // The MIDI facade's first selection pass is logged before the Core's own lines.
    const std::vector<std::string> expected = {
        "Refreshing MIDI devices list",
        "New Midi device selected: ",
        "Starting Core",
        "Application ID: TaveloUpdater_v1.1.3",
        "Operating system: " + SystemStats::getOperatingSystemName().toStdString(),
        "Device description: ",
        fmt::format("CPU infos: Vendor: {}, Model: {}, Speed: {}Mhz, Num cores: {}",
                    SystemStats::getCpuVendor().toStdString(), SystemStats::getCpuModel().toStdString(),
                    SystemStats::getCpuSpeedInMegahertz(), SystemStats::getNumCpus()),
        fmt::format("Available RAM: {}MB", SystemStats::getMemorySizeInMegabytes())};
    ASSERT_GE(info.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(info[i].substr(0, i == 5 ? expected[i].size() : std::string::npos), expected[i]);
}

TEST(UpdateAvailableChecker, FollowsSerialStatusAndFirmwareVersion)
{
    const testsupport::TemporaryHome home;
    Core core;
    const struct
    {
        bool serialPresent;
        const char* version;
        bool expected;
    } rows[] = {{false, "No version found", false},
                {true, "No version found", true},
                {false, "1.4.2", true},
                {false, "no version found", true},
                {false, "No version found", false}};
    for (const auto& row : rows)
    {
        core.values[Dictionary::taveloSerialStatus] = row.serialPresent;
        core.values[Dictionary::currentTaveloVersionKey] = row.version;
        testsupport::pumpMessages(30ms);
        const bool shared = core.values[Dictionary::canLaunchUpdate].getValue();
        EXPECT_EQ(shared, row.expected) << row.serialPresent << " / " << row.version;
        EXPECT_EQ(core.isUpdatePossible(), row.expected);
    }
}

TEST(Core, SavesTheUserPropertiesInTheUsersFolder)
{
    const testsupport::TemporaryHome home;
    const juce::String key = "Absolute path to the default firmware folder";
    Core{}.getUserProperties()->setValue(key, "/music/update.taveloupdate");
    const auto file = home.getFolder().getChildFile("TaveloUpdater/Tavelo Updater.settings");
    EXPECT_NE(juce::parseXML(file), nullptr);
    EXPECT_EQ(Core{}.getUserProperties()->getValue(key), "/music/update.taveloupdate");
}
