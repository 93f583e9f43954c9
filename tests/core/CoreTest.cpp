#include "core/Core.h"
#include "common/Dictionary.h"
#include "support/LogCapture.h"
#include "support/MessageLoop.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace std::chrono_literals;

TEST(Core, LogsTheMachineAtStart)
{
    const testsupport::TemporaryHome home;
    testsupport::LogCapture log;
    const Core core;

    const auto lines = log.lines();
    std::vector<std::string> infoTexts;
    for (const auto& line : lines)
        if (line.level == spdlog::level::info)
            infoTexts.push_back(line.text);

    // The MIDI facade's first selection pass is logged before the Core's own lines.
    const auto start = std::find(infoTexts.begin(), infoTexts.end(), "Starting Core");
    ASSERT_NE(start, infoTexts.end());
    EXPECT_EQ(std::vector<std::string>(infoTexts.begin(), start),
              (std::vector<std::string>{"Refreshing MIDI devices list", "New Midi device selected: "}));
    infoTexts.erase(infoTexts.begin(), start);

    ASSERT_GE(infoTexts.size(), 6u);
    EXPECT_EQ(infoTexts[0], "Starting Core");
    EXPECT_EQ(infoTexts[1], "Application ID: TaveloUpdater_v1.1.3");
    EXPECT_EQ(infoTexts[2], "Operating system: " + juce::SystemStats::getOperatingSystemName().toStdString());
    EXPECT_EQ(infoTexts[3].rfind("Device description: ", 0), 0u);
    EXPECT_EQ(infoTexts[4],
              fmt::format("CPU infos: Vendor: {}, Model: {}, Speed: {}Mhz, Num cores: {}",
                          juce::SystemStats::getCpuVendor().toStdString(),
                          juce::SystemStats::getCpuModel().toStdString(),
                          juce::SystemStats::getCpuSpeedInMegahertz(), juce::SystemStats::getNumCpus()));
    EXPECT_EQ(infoTexts[5],
              fmt::format("Available RAM: {}MB", juce::SystemStats::getMemorySizeInMegabytes()));
}

TEST(UpdateAvailableChecker, FollowsSerialStatusAndFirmwareVersion)
{
    const testsupport::TemporaryHome home;
    Core core;
    auto& serial = core.values[Dictionary::taveloSerialStatus];
    auto& version = core.values[Dictionary::currentTaveloVersionKey];
    const auto possible = [&core]
    {
        testsupport::pumpMessages(30ms);
        const bool shared = core.values[Dictionary::canLaunchUpdate].getValue();
        EXPECT_EQ(shared, core.isUpdatePossible());
        return shared;
    };

    struct Row
    {
        bool serialPresent;
        const char* version;
        bool expected;
    };
    const Row rows[] = {
        {false, "No version found", false},
        {true, "No version found", true},
        {false, "1.4.2", true},
        {true, "1.4.2", true},
        {false, "no version found", true},
        {false, "", true},
        {false, "No version found", false},
    };
    for (const auto& row : rows)
    {
        serial = row.serialPresent;
        version = row.version;
        EXPECT_EQ(possible(), row.expected) << row.serialPresent << " / " << row.version;
    }
}

TEST(Core, SavesTheUserPropertiesInTheUsersFolder)
{
    const testsupport::TemporaryHome home;
    {
        Core core;
        auto* properties = core.getUserProperties();
        ASSERT_NE(properties, nullptr);
        properties->setValue("Absolute path to the default firmware folder", "/music/update.taveloupdate");
    }
    const auto file = home.getFolder().getChildFile("TaveloUpdater").getChildFile("Tavelo Updater.settings");
    ASSERT_TRUE(file.existsAsFile());
    const auto xml = juce::parseXML(file);
    ASSERT_NE(xml, nullptr);
    EXPECT_TRUE(file.loadFileAsString().contains("/music/update.taveloupdate"));

    Core again;
    EXPECT_EQ(again.getUserProperties()->getValue("Absolute path to the default firmware folder"),
              "/music/update.taveloupdate");
}
