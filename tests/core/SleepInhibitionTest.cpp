#include "core/SleepInhibition.h"
#include "support/LogCapture.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace std::chrono_literals;

namespace
{
struct InhibitorCase
{
    std::string name;
    // The stand-in's script, or empty for no systemd-inhibit at all.
    std::string script;
    bool warns;
};

class SleepInhibitor : public testing::TestWithParam<InhibitorCase>
{
};

// A stand-in systemd-inhibit on PATH records its arguments and holds, as
// the real one does, for as long as its command runs.
TEST_P(SleepInhibitor, holdsForItsLifetimeAndOnlyWarnsWithoutLogind)
{
    testsupport::TemporaryFolder bin;
    const auto recorded = bin.path() / "arguments";
    if (!GetParam().script.empty())
    {
        const auto tool = bin.writeFile("systemd-inhibit", "#!/bin/sh\necho \"$@\" > " + recorded.string() +
                                                               "\n" + GetParam().script);
        ::chmod(tool.c_str(), 0755);
    }
    const std::string previousPath = std::getenv("PATH");
    setenv("PATH", (bin.path().string() + ":/usr/bin:/bin").c_str(), 1);
    const testsupport::LogCapture log;
    {
        const LogindSleepInhibition inhibition;
        for (int i = 0; i < 500 && !GetParam().script.empty() && !std::filesystem::exists(recorded); ++i)
            std::this_thread::sleep_for(10ms);
    }
    setenv("PATH", previousPath.c_str(), 1);

    EXPECT_EQ(log.contains("Could not keep the computer awake"), GetParam().warns);
    if (!GetParam().script.empty())
        EXPECT_EQ(
            testsupport::readFile(recorded),
            "--what=sleep:idle --who=Tavelo Updater --why=A firmware update is running --mode=block cat\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, SleepInhibitor,
                         testing::Values(InhibitorCase{"held", "exec \"$5\"\n", false},
                                         InhibitorCase{"noLogind", "exit 1\n", true},
                                         InhibitorCase{"noTool", "", true}),
                         [](const auto& info) { return info.param.name; });
} // namespace
