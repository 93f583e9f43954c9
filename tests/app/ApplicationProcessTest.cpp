#include "support/ChildProcess.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

#include <csignal>
#include <cstdlib>
#include <thread>

using namespace std::chrono_literals;
using testsupport::ChildProcess;

namespace
{
// Polls condition until it holds or the (generous) time is up.
bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds limit)
{
    for (const auto deadline = std::chrono::steady_clock::now() + limit; !condition();
         std::this_thread::sleep_for(50ms))
        if (std::chrono::steady_clock::now() > deadline)
            return false;
    return true;
}

int occurrences(const juce::String& text, const juce::String& fragment)
{
    int count = 0;
    for (int at = text.indexOf(fragment); at >= 0; at = text.indexOf(at + 1, fragment))
        ++count;
    return count;
}

// The real application, with its own empty HOME for its log and settings.
class ApplicationProcessTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run the tests under Xvfb (xvfb-run)";
    }

    std::unique_ptr<ChildProcess> launchWithWindow() const
    {
        auto app = std::make_unique<ChildProcess>(
            std::vector<std::string>{TAVELO_APP_BINARY},
            std::map<std::string, std::string>{{"HOME", home.getFullPathName().toStdString()}});
        EXPECT_TRUE(waitUntil([] { return windows() > 0; }, 30s)) << app->output();
        return app;
    }

    static int windows()
    {
        return std::system(
                   "exit $(xdotool search --onlyvisible --name '^Tavelo Updater$' 2>/dev/null | wc -l)") >>
               8;
    }

    juce::String log() const
    {
        return home.getChildFile(".config/TaveloUpdater/logs/taveloFirmwareUpdater.log").loadFileAsString();
    }

    const testsupport::TemporaryHome temporaryHome;
    const juce::File& home = temporaryHome.getFolder();
};
} // namespace

// A terminal's SIGINT, then the desktop's SIGTERM: both quit cleanly. The log
// is appended, and on disk while the application runs, so a kill loses none of it.
TEST_F(ApplicationProcessTest, LogsWhileRunningAndQuitsCleanlyOnASignal)
{
    int run = 0;
    for (const int signal : {SIGINT, SIGTERM})
    {
        ++run;
        const auto app = launchWithWindow();
        EXPECT_TRUE(
            waitUntil([&] { return occurrences(log(), "[multi_sink] [info] Starting Core") == run; }, 10s))
            << "the log is not written while the application runs";
        kill(app->pid(), signal);
        const auto exit = app->waitFor(20s);
        ASSERT_TRUE(exit.has_value()) << "the application did not quit";
        EXPECT_TRUE(exit->exited && exit->exitCode == 0) << "signal " << signal;
        EXPECT_NE(app->output().find("Initializing app"), std::string::npos) << app->output();
        EXPECT_EQ(occurrences(log(), "Quit requested by a signal"), run);
        EXPECT_FALSE(log().contains("Initializing app")); // written before the file logger exists
    }
}

TEST_F(ApplicationProcessTest, ASecondLaunchEndsAtOnceWithoutAWindowAndTheFirstRunsOn)
{
    const auto first = launchWithWindow();
    ChildProcess second({TAVELO_APP_BINARY}, {{"HOME", home.getFullPathName().toStdString()}});
    const auto secondExit = second.waitFor(10s);
    ASSERT_TRUE(secondExit.has_value()) << "the second instance kept running";
    EXPECT_TRUE(secondExit->exited);
    EXPECT_TRUE(first->isRunning());
    EXPECT_EQ(windows(), 1);
    kill(first->pid(), SIGINT);
    EXPECT_TRUE(first->waitFor(20s).has_value()) << "the application did not quit";
    EXPECT_EQ(occurrences(log(), "Starting Core"), 1);
}

TEST_F(ApplicationProcessTest, ACrashLogsABackTraceWithSymbolNamesAndEndsBySigkill)
{
    const auto crashLog = home.getChildFile("crash.log");
    ChildProcess probe({TAVELO_CRASH_PROBE, crashLog.getFullPathName().toStdString()}, {});
    const auto exit = probe.waitFor(20s);
    ASSERT_TRUE(exit.has_value());
    EXPECT_FALSE(exit->exited);
    EXPECT_EQ(exit->signal, SIGKILL);
    const auto text = crashLog.loadFileAsString();
    EXPECT_TRUE(text.contains("[multi_sink] [critical] APPLICATION CRASHED, back trace:\n")) << text;
    EXPECT_TRUE(text.contains("tavelo_probe_faulting_function")) << text;
}
