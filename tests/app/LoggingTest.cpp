#include "app/Logging.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

#include <thread>

TEST(ApplicationLog, AppendsCreatesTheFolderDropsDebugAndFlushesWithoutBeingClosed)
{
    const testsupport::LogCapture restoresTheDefaultLogger;
    const auto root =
        juce::File::getSpecialLocation(juce::File::tempDirectory).getNonexistentChildFile("logs", "");
    const auto file = root.getChildFile("TaveloUpdater/logs/taveloFirmwareUpdater.log");
    for (int run = 0; run < 2; ++run)
    {
        initialiseApplicationLog(file.getFullPathName());
        spdlog::debug("run {} debug", run);
        spdlog::warn("run {} warning", run);
        EXPECT_TRUE(file.loadFileAsString().contains("[multi_sink] [warning] run " + juce::String(run)))
            << "a warning is on disk at once";
        spdlog::info("run {} info", run);
        const auto info = "[multi_sink] [info] run " + juce::String(run) + " info";
        for (int wait = 0; wait < 100 && !file.loadFileAsString().contains(info); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_TRUE(file.loadFileAsString().contains(info)) << "not flushed within 10 s";
        spdlog::set_default_logger(spdlog::stdout_color_mt("console-" + std::to_string(run)));
    }
    EXPECT_TRUE(file.loadFileAsString().contains("run 0 info"));
    EXPECT_FALSE(file.loadFileAsString().contains("debug"));

    // A file where the folder should be: reported on standard output, logging goes on.
    const auto before = spdlog::default_logger();
    testing::internal::CaptureStdout();
    initialiseApplicationLog(file.getChildFile("nested.log").getFullPathName());
    const auto printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.rfind("Log init failed: ", 0), 0u) << printed;
    EXPECT_EQ(printed.back(), '\n');
    EXPECT_EQ(spdlog::default_logger(), before);
    root.deleteRecursively();
}
