#include "TransferLog.h"
#include "support/LogCapture.h"
#include "support/TransferRig.h"

#include <gtest/gtest.h>
#include <spdlog/spdlog.h>

#include <string>
#include <vector>

using namespace xymodemtest;
using namespace testsupport;

namespace
{
bool contains(const std::string& text, const std::string& fragment)
{
    return text.find(fragment) != std::string::npos;
}

struct LogCase
{
    int level;
    std::vector<const char*> present;
    std::vector<const char*> absent;
};
} // namespace

class TransferLog : public testing::TestWithParam<LogCase>
{
};

// Emptied for each transfer, it holds the lines of its level and up, and
// the application's loggers never see them.
TEST_P(TransferLog, HoldsTheLinesOfItsLevelAndUp)
{
    testsupport::LogCapture capture;
    const auto defaultLogger = spdlog::default_logger();
    const auto registered = spdlog::get("multi_sink");
    TransferRig rig;
    const auto log =
        rig.folder.writeFile(std::string(xymodem::TransferLog::fileName), "an earlier transfer\n");
    rig.receiverStarts();
    rig.send({rig.folder.writeFile("image.sfb", randomContent(2048, 21))}, log.string(), GetParam().level);

    const auto text = readFile(log);
    for (const auto* line : GetParam().present)
        EXPECT_TRUE(contains(text, line)) << line;
    for (const auto* line : GetParam().absent)
        EXPECT_FALSE(contains(text, line)) << line;
    EXPECT_EQ(spdlog::default_logger(), defaultLogger);
    EXPECT_EQ(spdlog::get("multi_sink"), registered);
    EXPECT_FALSE(capture.contains("Beginning transmission"));
}

INSTANTIATE_TEST_SUITE_P(
    Levels, TransferLog,
    testing::Values(LogCase{2,
                            {"Beginning transmission", "Set file information", "Filename image.sfb",
                             "Wrote header packet", "Beginning XModem transmission",
                             "XModem transmission finished successfully !", "Finished XModem transmission !",
                             "YModem transmission finished !"},
                            {"an earlier transfer", "Sent EOT", "0x02,0x01,0xfe"}},
                    LogCase{0,
                            {"0x02,0x01,0xfe,", R"(Sent 50\% packets)", R"(Sent 100\% packets)",
                             "Sent last packet", "Sent EOT"},
                            {"an earlier transfer"}}));

TEST(TransferLogFile, ThatCannotBeOpenedFallsBackToTheDefaultLogger)
{
    testsupport::LogCapture capture;
    TransferRig rig;
    rig.receiverStarts();
    const auto image = rig.folder.writeFile("image.sfb", randomContent(10, 23));
    // A regular file where a folder should be.
    rig.send({image}, (image / "t.log").string(), 2);

    EXPECT_TRUE(capture.contains("Log init failed : "));
    EXPECT_TRUE(capture.contains("YModem transmission finished !"));
    EXPECT_TRUE(rig.receiver.batchEnded());
}
