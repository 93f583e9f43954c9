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
struct LogCase
{
    int level;
    std::vector<const char*> present, absent;
};
} // namespace

class TransferLog : public testing::TestWithParam<LogCase>
{
};

// Emptied for each transfer, it holds the lines of its level and up, and the application's loggers never see
// them.
TEST_P(TransferLog, HoldsTheLinesOfItsLevelAndUp)
{
    LogCapture capture;
    const auto defaultLogger = spdlog::default_logger();
    TransferRig rig;
    const auto log =
        rig.folder.writeFile(std::string(xymodem::TransferLog::fileName), "an earlier transfer\n");
    rig.receiverStarts();
    rig.send({rig.folder.writeFile("image.sfb", randomContent(2048, 21))}, log.string(), GetParam().level);

    const auto text = readFile(log);
    for (const auto* line : GetParam().present)
        EXPECT_NE(text.find(line), std::string::npos) << line;
    for (const auto* line : GetParam().absent)
        EXPECT_EQ(text.find(line), std::string::npos) << line;
    EXPECT_EQ(spdlog::default_logger(), defaultLogger);
    EXPECT_FALSE(capture.contains("Beginning transmission"));
}

INSTANTIATE_TEST_SUITE_P(
    Levels, TransferLog,
    testing::Values(LogCase{2,
                            {"Beginning transmission", "Filename image.sfb",
                             "XModem transmission finished successfully !", "YModem transmission finished !"},
                            {"an earlier transfer", "Sent EOT", "0x02,0x01,0xfe"}},
                    LogCase{0, {"0x02,0x01,0xfe,", R"(Sent 50\% packets)", "Sent EOT"}, {}}));

TEST(TransferLogFile, ThatCannotBeOpenedFallsBackToTheDefaultLogger)
{
    LogCapture capture;
    TransferRig rig;
    rig.receiverStarts();
    const auto image = rig.folder.writeFile("image.sfb", randomContent(10, 23));
    rig.send({image}, (image / "t.log").string(), 2); // a regular file where a folder should be
    EXPECT_TRUE(capture.contains("Log init failed : "));
    EXPECT_TRUE(capture.contains("YModem transmission finished !"));
}
