#include "app/Logging.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

#include <thread>

TEST(ApplicationLog, AppendsCreatesTheFolderDropsDebugAndFlushesWithoutBeingClosed)
{
    const testsupport::LogCapture restoresTheDefaultLogger;
    const auto folder = juce::File::getSpecialLocation(juce::File::tempDirectory)
                            .getNonexistentChildFile("logs", "", false)
                            .getChildFile("TaveloUpdater/logs");
    const auto file = folder.getChildFile("taveloFirmwareUpdater.log");

    for (int run = 0; run < 2; ++run)
    {
        initialiseApplicationLog(file.getFullPathName());
        EXPECT_EQ(spdlog::default_logger()->name(), "multi_sink");
        spdlog::debug("run {} debug", run);
        spdlog::warn("run {} warning", run);
        // A warning is on disk at once.
        EXPECT_TRUE(file.loadFileAsString().contains("[multi_sink] [warning] run " + juce::String(run)));
        spdlog::info("run {} info", run);
        // Any other line within a second.
        const auto info = "[multi_sink] [info] run " + juce::String(run) + " info";
        for (int wait = 0; wait < 100 && !file.loadFileAsString().contains(info); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_TRUE(file.loadFileAsString().contains(info)) << "not flushed within 10 s";
        spdlog::set_default_logger(spdlog::stdout_color_mt("console-" + std::to_string(run)));
    }
    const auto text = file.loadFileAsString();
    EXPECT_TRUE(text.contains("run 0 info") && text.contains("run 1 warning"));
    EXPECT_FALSE(text.contains("debug"));
    folder.getParentDirectory().getParentDirectory().deleteRecursively();
}

TEST(ApplicationLog, AnUnopenableFileIsReportedOnStandardOutputAndLoggingGoesOn)
{
    const testsupport::LogCapture restoresTheDefaultLogger;
    const auto blocker =
        juce::File::getSpecialLocation(juce::File::tempDirectory).getNonexistentChildFile("f", "");
    ASSERT_TRUE(blocker.replaceWithText("a file where a folder should be"));
    const auto before = spdlog::default_logger();

    testing::internal::CaptureStdout();
    initialiseApplicationLog(blocker.getChildFile("taveloFirmwareUpdater.log").getFullPathName());
    const auto printed = testing::internal::GetCapturedStdout();

    EXPECT_EQ(printed.rfind("Log init failed: ", 0), 0u) << printed;
    EXPECT_EQ(printed.back(), '\n');
    EXPECT_EQ(spdlog::default_logger(), before);
    blocker.deleteFile();
}
