#include "support/ChildProcess.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>
#include <juce_graphics/juce_graphics.h>

#include <csignal>
#include <cstdlib>
#include <thread>

using namespace std::chrono_literals;
using testsupport::ChildProcess;

namespace
{
// The real application, started with its own empty HOME so that its log and
// settings land in a folder of the test's.
class ApplicationProcessTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run the tests under Xvfb (xvfb-run)";
    }

    std::unique_ptr<ChildProcess> launch() const
    {
        return std::make_unique<ChildProcess>(
            std::vector<std::string>{TAVELO_APP_BINARY},
            std::map<std::string, std::string>{{"HOME", home.getFullPathName().toStdString()}});
    }

    static bool windowShown()
    {
        return std::system("xdotool search --onlyvisible --name '^Tavelo Updater$' >/dev/null 2>&1") == 0;
    }

    static bool waitForWindow(ChildProcess& process)
    {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline)
        {
            if (windowShown())
                return true;
            if (!process.isRunning())
                return false;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    static ChildProcess::Exit quit(ChildProcess& process)
    {
        kill(process.pid(), SIGINT);
        const auto exit = process.waitFor(20s);
        EXPECT_TRUE(exit.has_value()) << "the application did not quit";
        return exit.value_or(ChildProcess::Exit{});
    }

    juce::File logFile() const
    {
        return home.getChildFile(".config/TaveloUpdater/logs/taveloFirmwareUpdater.log");
    }

    static int occurrences(const juce::String& text, const juce::String& fragment)
    {
        int count = 0;
        for (int at = text.indexOf(fragment); at >= 0; at = text.indexOf(at + 1, fragment))
            ++count;
        return count;
    }

    const testsupport::TemporaryHome temporaryHome;
    const juce::File& home = temporaryHome.getFolder();
};
} // namespace

TEST_F(ApplicationProcessTest, StartsLogsTheMachineQuitsCleanlyAndAppendsOnTheNextRun)
{
    for (int run = 1; run <= 2; ++run)
    {
        const auto app = launch();
        ASSERT_TRUE(waitForWindow(*app)) << app->output();
        const auto exit = quit(*app);
        EXPECT_TRUE(exit.exited);
        EXPECT_EQ(exit.exitCode, 0);
        EXPECT_NE(app->output().find("Initializing app"), std::string::npos) << app->output();

        const auto log = logFile().loadFileAsString();
        EXPECT_EQ(occurrences(log, "[multi_sink] [info] Starting Core"), run) << log;
        EXPECT_TRUE(log.contains("Application ID: TaveloUpdater_v1.1.3"));
        EXPECT_TRUE(log.contains("Operating system: Linux"));
        EXPECT_TRUE(log.contains("Device description: "));
        EXPECT_TRUE(log.contains("CPU infos: Vendor: "));
        EXPECT_TRUE(log.contains("Available RAM: "));
        EXPECT_FALSE(log.contains("Initializing app")); // written before the file logger exists
    }
}

TEST_F(ApplicationProcessTest, ASecondLaunchEndsAtOnceWithoutAWindowAndTheFirstRunsOn)
{
    const auto first = launch();
    ASSERT_TRUE(waitForWindow(*first)) << first->output();

    const auto second = launch();
    const auto secondExit = second->waitFor(10s);
    ASSERT_TRUE(secondExit.has_value()) << "the second instance kept running";
    EXPECT_TRUE(secondExit->exited);
    EXPECT_TRUE(first->isRunning());
    EXPECT_EQ(std::system("test \"$(xdotool search --onlyvisible --name '^Tavelo Updater$' | wc -l)\" -eq 1"),
              0);

    quit(*first);
    EXPECT_EQ(occurrences(logFile().loadFileAsString(), "Starting Core"), 1);
}

TEST_F(ApplicationProcessTest, AnUnopenableLogIsReportedAndTheWindowStillOpens)
{
    const auto blocker = home.getChildFile(".config/TaveloUpdater/logs");
    ASSERT_TRUE(blocker.getParentDirectory().createDirectory().wasOk());
    ASSERT_TRUE(blocker.replaceWithText("a file where the log folder should be"));

    const auto app = launch();
    ASSERT_TRUE(waitForWindow(*app)) << app->output();
    quit(*app);
    EXPECT_NE(app->output().find("Log init failed: "), std::string::npos) << app->output();
    EXPECT_TRUE(blocker.existsAsFile());
}

TEST_F(ApplicationProcessTest, ACrashLogsABackTraceWithSymbolNamesAndEndsBySigkill)
{
    const auto log = home.getChildFile("crash.log");
    ChildProcess probe({TAVELO_CRASH_PROBE, log.getFullPathName().toStdString()}, {});
    const auto exit = probe.waitFor(20s);
    ASSERT_TRUE(exit.has_value());
    EXPECT_FALSE(exit->exited);
    EXPECT_EQ(exit->signal, SIGKILL);

    const auto text = log.loadFileAsString();
    EXPECT_TRUE(text.contains("[multi_sink] [critical] APPLICATION CRASHED, back trace:\n")) << text;
    EXPECT_TRUE(text.contains("tavelo_probe_faulting_function")) << text;
}

TEST_F(ApplicationProcessTest, TheScreenshotScriptCapturesTheWindow)
{
    const auto shot = juce::File(TAVELO_ARTIFACTS_DIR).getChildFile("main-window-core.png");
    shot.deleteFile();
    const auto command = juce::String("'") + TAVELO_SCREENSHOT_SCRIPT + "' '" + TAVELO_APP_BINARY + "' '" +
                         shot.getFullPathName() + "' 1";
    ASSERT_EQ(std::system(command.toRawUTF8()), 0);

    const auto image = juce::ImageFileFormat::loadFrom(shot);
    ASSERT_TRUE(image.isValid());
    // The window is centred on the screen, which is black elsewhere.
    const auto centre = image.getPixelAt(image.getWidth() / 2, image.getHeight() / 2);
    const auto corner = image.getPixelAt(2, 2);
    EXPECT_NE(centre.getARGB(), corner.getARGB());
    EXPECT_FALSE(windowShown()) << "the script left the application running";
}
