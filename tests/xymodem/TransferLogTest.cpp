#include "TransferLog.h"
#include "ControlBytes.h"
#include "support/LogCapture.h"
#include "support/TransferRig.h"

#include <gtest/gtest.h>
#include <spdlog/spdlog.h>

#include <string>

using namespace xymodemtest;
using namespace testsupport;

namespace
{
bool contains(const std::string& text, const std::string& fragment)
{
    return text.find(fragment) != std::string::npos;
}
} // namespace

TEST(TransferLog, IsEmptiedForEachTransferAndHoldsInfoAndUp)
{
    TransferRig rig;
    const auto log =
        rig.folder.writeFile(std::string(xymodem::TransferLog::fileName), "an earlier transfer\n");
    const auto image = rig.folder.writeFile("image.sfb", randomContent(2048, 21));

    rig.receiverStarts();
    rig.send({image}, log.string(), 2);

    const auto text = readFile(log);
    EXPECT_FALSE(contains(text, "an earlier transfer"));
    for (const auto* line :
         {"Beginning transmission", "Set file information", "Filename image.sfb", "Wrote header packet",
          "Beginning XModem transmission", "XModem transmission finished successfully !",
          "Finished XModem transmission !", "YModem transmission finished !"})
        EXPECT_TRUE(contains(text, line)) << line;
    EXPECT_FALSE(contains(text, "Sent EOT"));
    EXPECT_FALSE(contains(text, "0x02,0x01,0xfe"));
}

TEST(TransferLog, AtDebugHoldsThePacketDumpsAndProgressLines)
{
    TransferRig rig;
    const auto log = rig.folder.path() / "debug.log";
    rig.receiverStarts();
    rig.send({rig.folder.writeFile("image.sfb", randomContent(2048, 22))}, log.string(), 0);

    const auto text = readFile(log);
    EXPECT_TRUE(contains(text, "0x02,0x01,0xfe,"));
    EXPECT_TRUE(contains(text, R"(Sent 50\% packets)"));
    EXPECT_TRUE(contains(text, R"(Sent 100\% packets)"));
    EXPECT_TRUE(contains(text, "Sent last packet"));
    EXPECT_TRUE(contains(text, "Sent EOT"));
}

TEST(TransferLog, LeavesTheApplicationsLoggersAlone)
{
    testsupport::LogCapture capture;
    const auto defaultLogger = spdlog::default_logger();
    const auto registered = spdlog::get("multi_sink");

    TransferRig rig;
    rig.receiverStarts();
    rig.send({rig.folder.writeFile("image.sfb", "x")}, (rig.folder.path() / "t.log").string(), 2);

    EXPECT_EQ(spdlog::default_logger(), defaultLogger);
    EXPECT_EQ(spdlog::get("multi_sink"), registered);
    EXPECT_FALSE(capture.contains("Beginning transmission"));
}

TEST(TransferLog, AFileThatCannotBeOpenedFallsBackToTheDefaultLogger)
{
    testsupport::LogCapture capture;
    TransferRig rig;
    rig.receiverStarts();
    const auto image = rig.folder.writeFile("image.sfb", randomContent(10, 23));
    // A regular file where a folder should be.
    rig.send({image}, (image / "t.log").string(), 2);

    EXPECT_EQ(capture.count(spdlog::level::warn, "Log init failed : "), 0); // the prefix alone is no line
    EXPECT_TRUE(capture.contains("Log init failed : "));
    EXPECT_TRUE(capture.contains("YModem transmission finished !"));
    EXPECT_TRUE(rig.receiver.batchEnded());
}

TEST(TransferLog, LivesInTheApplicationsLogFolder)
{
    const auto path = xymodem::TransferLog::path();
    EXPECT_TRUE(contains(path, "/TaveloUpdater/logs/dspUpdate.log"));
}
