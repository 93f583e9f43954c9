#include "InstrumentLink.h"
#include "SimulatedInstrument.h"
#include "TaveloPlayResponder.h"
#include "UpdateThreadStandIn.h"
#include "midiUsb/SysExAnswerParser.h"
#include "midiUsb/SysExFactory.h"
#include "midiUsb/SysExRequests.h"
#include "support/LogCapture.h"
#include "update/TaveloPersistentData.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using namespace std::chrono_literals;

namespace
{
struct BackUpCase
{
    const char* name;
    // Folders made beforehand in the persistent data folder, each holding a file.
    std::vector<const char*> folders;
    bool legacyFolderIsAFile;
    simulator::Misbehaviour misbehaviour;
    int wellAnsweredFirst;  // requests answered well before the misbehaviour begins
    bool fileBecomesFolder; // at the wait's start, before any request
    const char* result;     // empty: success
    const char* alert;      // empty: none
    const char* logged;     // a line that must be logged, if any
    int snapshotsBesideOld;
};

using simulator::Misbehaviour;
const char* const first = "TaveloSnapShot_20261101T100000.000Z";
const char* const second = "TaveloSnapShot_20261102T100000.000Z";
const char* const firstInOld = "Old/TaveloSnapShot_20261101T100000.000Z";
const char* const noAnswer = "Error: Could not get calibration of key number 0.";

const char* const malformed = "The SysEx answer is shorter than what it announces.";

// clang-format off
const BackUpCase cases[] = {
    {"twoEarlierSnapshotsGoToOld", {first, second}, false, Misbehaviour::none, 0, false, "", "", "", 1},
    // A full folder of that name in "Old" cannot be replaced.
    {"oneSnapshotCannotBeMoved", {first, firstInOld}, false, Misbehaviour::none, 0, false, "", "",
     "Could not move old Tavelo persistent data save into the old directory.", 2},
    {"legacyFolderCannotBeMade", {}, true, Misbehaviour::none, 0, false,
     "Could not create a new persistent data folder. Maybe there is a issue with the access rights or available "
     "disk space. Error message from OS: ", "", "Could not create legacy directory.", 0},
    // Keys and touch with no entry; the test logs still tell their test.
    {"emptyAnswers", {}, false, Misbehaviour::emptyResult, 0, false, "", "",
     "50 of 63 back up requests came back empty.", 1},
    {"silentInstrument", {}, false, Misbehaviour::silent, 0, false, "Transmission aborted.", noAnswer, "", 1},
    // An incomplete answer fails like a missing one.
    {"answersCutShort", {}, false, Misbehaviour::cutShort, 0, false, "Transmission aborted.", noAnswer, malformed, 1},
    // The 30th request is the first black key's.
    {"garbageAfterKeyOnesHeader", {}, false, Misbehaviour::garbageAfterHeader, 29, false, "Transmission aborted.",
     "Error: Could not get calibration of key number 1.", malformed, 1},
    {"lastRequestUnanswered", {}, false, Misbehaviour::silent, 62, false, "Transmission aborted.",
     "Error: Could not get log for test Push button", "", 1},
    {"unwritableFile", {}, false, Misbehaviour::none, 0, true, "Could not write the back up: ", "",
     "writePositionCalibration: ", 1},
};
// clang-format on

// What the files hold when every answer arrived: the parser's texts of the
// instrument's answers, as it spoilt them, in request order, behind each header.
std::map<std::string, std::string> expectedFiles(const simulator::InstrumentData& data,
                                                 simulator::Misbehaviour misbehaviour)
{
    const auto text = [&data, misbehaviour](const juce::MidiMessage& request)
    {
        const auto answers = simulator::TaveloPlayResponder::spoil(
            *simulator::TaveloPlayResponder::answer(
                {request.getRawData(), request.getRawData() + request.getRawDataSize()}, data),
            misbehaviour);
        return answers.empty() ? std::string()
                               : midiUsb::SysExAnswerParser::parse(answers[0].data(), answers[0].size())
                                     .text.toStdString();
    };
    std::map<std::string, std::string> files{
        {"whitekey_sensors_grid.csv", "Sensor,Vertical Position,Horizontal Position,X,Y,Z\n"},
        {"blackkey_sensors_grid.csv", "Sensor,Vertical Position,Horizontal Position,X,Y,Z\n"},
        {"playing_grid.csv",
         "Sensor,Position,X,Y,Z\n" + text(midiUsb::SysExRequests::touchCalibrationRequest())},
        {"tavelo.log", ""}};
    static constexpr bool black[12] = {false, true,  false, true,  false, false,
                                       true,  false, true,  false, true,  false};
    for (int key = 0; key < 49; ++key)
        files[black[key % 12] ? "blackkey_sensors_grid.csv" : "whitekey_sensors_grid.csv"] +=
            text(midiUsb::SysExRequests::keyPositionCalibrationRequest(key));
    for (const auto& [id, name] : midiUsb::SysExFactory::testIDs)
        files["tavelo.log"] += text(midiUsb::SysExRequests::testLogRequest(static_cast<int>(id)));
    return files;
}

class BackUpTest : public ::testing::TestWithParam<BackUpCase>
{
protected:
    static void SetUpTestSuite() { dataHome = UpdateThreadStandIn::useTemporaryDataHome(); }
    static inline juce::File dataHome;
};

TEST_P(BackUpTest, snapshotFolderAndFiles)
{
    const auto& row = GetParam();
    const auto root = TaveloPersistentData::getPersistentDataFolder();
    ASSERT_TRUE(root.isAChildOf(dataHome));
    root.deleteRecursively();

    testsupport::LogCapture log;
    simulator::VirtualMidiBus bus;
    simulator::SimulatedInstrument instrument(bus);
    instrument.connect();
    instrument.misbehaveOnNext(Misbehaviour::none, row.wellAnsweredFirst);
    instrument.setMisbehaviour(row.misbehaviour);
    for (const auto* folder : row.folders)
    {
        root.getChildFile(folder).createDirectory();
        root.getChildFile(folder).getChildFile("keep.txt").replaceWithText("kept");
    }
    if (row.legacyFolderIsAFile)
        root.getChildFile("Old").create();
    midiUsb::SysExMidiHandler handler;
    const simulator::InstrumentLink link(bus, handler);

    UpdateThreadStandIn thread;
    juce::Result result = juce::Result::ok();
    juce::File snapshot;
    std::unique_ptr<PersistentDataDownload> download;
    ASSERT_TRUE(thread.run(
        [&]
        {
            download = std::make_unique<PersistentDataDownload>(handler, thread.hooks(), UpdateTiming{});
            result = download->run();
            snapshot = download->snapshotFolder();
        },
        60s,
        [&]
        {
            if (!row.fileBecomesFolder)
                return;
            const auto file = download->snapshotFolder().getChildFile("whitekey_sensors_grid.csv");
            file.deleteFile();
            file.createDirectory();
        }));
    download.reset();
    handler.stopTimer();

    EXPECT_TRUE(result.getErrorMessage().startsWith(row.result)) << result.getErrorMessage();
    EXPECT_EQ(result.wasOk(), juce::String(row.result).isEmpty());
    const juce::String alert(row.alert);
    EXPECT_EQ(thread.alerts(), alert.isEmpty() ? std::vector<juce::String>{} : std::vector{alert});
    if (alert.isNotEmpty())
        EXPECT_EQ(thread.statuses(), std::vector<juce::String>{"Error !"});
    if (*row.logged != 0)
        EXPECT_TRUE(log.contains(row.logged)) << row.logged;
    EXPECT_EQ(root.findChildFiles(juce::File::findDirectories, false, "TaveloSnapShot_*").size(),
              row.snapshotsBesideOld);
    if (row.snapshotsBesideOld == 0)
        return;

    // A new folder of this run, whatever stayed beside it.
    EXPECT_TRUE(snapshot.isAChildOf(root) && snapshot.getFileName().startsWith("TaveloSnapShot_2"));
    EXPECT_NE(snapshot.getFileName(), first);
    for (const auto* old : {first, second})
        if (root.getChildFile(old).exists() || root.getChildFile("Old").getChildFile(old).exists())
            EXPECT_TRUE(root.getChildFile("Old").getChildFile(old).getChildFile("keep.txt").existsAsFile())
                << old;
    if (!result.wasOk())
        return;

    for (const auto& [name, expected] : expectedFiles(instrument.getData(), row.misbehaviour))
    {
        auto actual = snapshot.getChildFile(name).loadFileAsString().toStdString();
        if (name == "tavelo.log")
        {
            const auto secondLineEnd = actual.find('\n', actual.find('\n') + 1) + 1;
            EXPECT_EQ(actual.rfind("### Tavelo Logs ###\nDownloaded on ", 0), 0u);
            actual.erase(0, secondLineEnd);
        }
        EXPECT_EQ(actual, expected) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(BackUp, BackUpTest, ::testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });

// Folder names and log headers at UTC, ahead of and behind it, around noon
// and midnight.
TEST(BackUpNames, localTimeWithItsOffset)
{
    const struct
    {
        const char* zone;
        juce::int64 millis;
        const char* folder;
        const char* downloadedOn;
    } rows[] = {
        {"CET-1", 1796488026123, "TaveloSnapShot_20261205T172706.123+0100", "5 Dec 2026 5:27:06pm"},
        {"XST+5:30", 1796488026123, "TaveloSnapShot_20261205T105706.123-0530", "5 Dec 2026 10:57:06am"},
        {"UTC0", 1796429107250, "TaveloSnapShot_20261205T000507.250Z", "5 Dec 2026 12:05:07am"},
        {"UTC0", 1796473800000, "TaveloSnapShot_20261205T123000.000Z", "5 Dec 2026 12:30:00pm"},
    };
    const auto* previous = std::getenv("TZ");
    const std::string saved = previous != nullptr ? previous : "";
    for (const auto& row : rows)
    {
        ::setenv("TZ", row.zone, 1);
        ::tzset();
        const juce::Time time(row.millis);
        EXPECT_EQ(TaveloPersistentData::snapshotFolderName(time), row.folder) << row.zone;
        EXPECT_EQ(TaveloPersistentData::logHeader(time),
                  juce::String("### Tavelo Logs ###\nDownloaded on ") + row.downloadedOn + "\n");
    }
    if (previous != nullptr)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}
} // namespace
