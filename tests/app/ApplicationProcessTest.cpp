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

// A terminal's SIGINT, then the desktop's SIGTERM: both quit cleanly. The
// log is appended, and on disk while the application still runs, so that a
// kill loses none of it.
TEST_F(ApplicationProcessTest, LogsWhileRunningAndQuitsCleanlyOnASignal)
{
    int run = 0;
    for (const int signal : {SIGINT, SIGTERM})
    {
        ++run;
        const auto app = launch();
        ASSERT_TRUE(waitForWindow(*app)) << app->output();
        const auto logged = [this, run]
        { return occurrences(logFile().loadFileAsString(), "[multi_sink] [info] Starting Core") == run; };
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!logged() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(50ms);
        EXPECT_TRUE(logged()) << "the log is not written while the application runs";

        kill(app->pid(), signal);
        const auto exit = app->waitFor(20s);
        ASSERT_TRUE(exit.has_value()) << "the application did not quit";
        EXPECT_TRUE(exit->exited && exit->exitCode == 0) << "signal " << signal;
        EXPECT_NE(app->output().find("Initializing app"), std::string::npos) << app->output();
        const auto log = logFile().loadFileAsString();
        EXPECT_EQ(occurrences(log, "Quit requested by a signal"), run);
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
