#include "PresetDialogue.h"
#include "SimulatedSoundEngine.h"
#include "UpdateThreadStandIn.h"
#include "midiUsb/OrmelProxyImpl.h"
#include "support/LogCapture.h"
#include "support/TemporaryFolder.h"
#include "update/OrmelMidiMessages.h"
#include "update/PresetFileName.h"
#include "update/PresetMidiFile.h"
#include "update/TaveloPreset.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace std::chrono_literals;
using simulator::PresetDialogue;

namespace
{
TEST(PresetFileNames, reversibleAndUnchangedWhenPlain)
{
    const struct
    {
        std::string name;
        const char* stem;
    } rows[] = {
        {"Lead/Pad", "Lead%2FPad"},
        {"..", "%2E."},
        {"a,b", "a%2Cb"},
        {std::string("n\0l", 3), "n%00l"},
        {"Caf\xE9", "Caf%E9"},
        {"\"#1\\2%\"", "%22%231%5C2%25%22"},
        {"x.y", "x.y"},
        {"~", "%7E"},
        {"~user", "%7Euser"},
        {"a~", "a~"},
    };
    const auto folder = juce::File::getSpecialLocation(juce::File::tempDirectory);
    for (const auto& row : rows)
    {
        EXPECT_EQ(PresetFileName::encode(row.name), row.stem);
        EXPECT_EQ(PresetFileName::decode(row.stem), row.name) << row.stem;
        const auto file = folder.getChildFile(PresetFileName::encode(row.name) + ".mid");
        EXPECT_EQ(file.getParentDirectory().getFullPathName(), folder.getFullPathName()) << row.stem;
    }
    PresetFileName names;
    EXPECT_EQ(names.fileNameFor("Strings", 0, 6), "Strings.mid");
    EXPECT_EQ(names.fileNameFor("strings", 1, 3), "strings#1-3.mid");
    EXPECT_EQ(PresetFileName::decode("strings#1-3"), "strings");
    // An empty name gets a visible file; older snapshots hold ".mid".
    EXPECT_EQ(names.fileNameFor("", 2, 15), "#2-15.mid");
    EXPECT_EQ(PresetFileName::decode("#2-15"), "");
    EXPECT_EQ(PresetFileName::decode(PresetFileName::stemOf(".mid")), "");
    // Names written before escaping existed decode to themselves.
    EXPECT_EQ(PresetFileName::decode("100%zz"), "100%zz");
}

UpdateTiming shortTiming()
{
    UpdateTiming timing;
    timing.presetAnswerLimit = timing.readyLimit = 2s;
    return timing;
}

// The sound engine on the bus, with a dialogue that a test may replace.
struct Engine
{
    Engine(simulator::VirtualMidiBus& bus, PresetDialogue::Bank bank)
        : dialogue(std::move(bank))
        , engine(bus)
    {
        engine.setResponder([this](const juce::MidiMessage& m) { return dialogue.respond(m); });
        engine.connect();
    }
    PresetDialogue dialogue;
    simulator::SimulatedSoundEngine engine;
};

// Downloads or uploads every preset on the update thread's stand-in. Each
// pause lasts until the engine has answered all it was sent and the answers
// were delivered, as the real pauses make sure of.
juce::Result runPresets(std::shared_ptr<simulator::VirtualMidiBus> bus, Engine& engine,
                        const juce::File& folder, bool download, const UpdateTiming& timing)
{
    UpdateThreadStandIn thread;
    juce::Result result = juce::Result::ok();
    const bool ended = thread.run(
        [&]
        {
            auto proxy = std::make_unique<OrmelProxyImpl>(bus);
            if (proxy->getStatus().failed())
            {
                result = proxy->getStatus();
                return;
            }
            TaveloPreset presets(std::move(proxy), folder, timing);
            presets.sleep = [&](const auto&)
            {
                engine.engine.waitUntilIdle(5s);
                bus->waitUntilDelivered(5s);
            };
            result = download ? presets.downloadAllPresets() : presets.uploadAllPresets();
        },
        120s);
    EXPECT_TRUE(ended);
    return result;
}

std::string expectedName(const simulator::SimulatedPreset& preset)
{
    if (!preset.name)
        return "Empty";
    std::string name = *preset.name;
    // The wire carries 7 bits.
    for (auto& character : name)
        character = static_cast<char>(character & 0x7F);
    return name;
}

struct RoundTripCase
{
    const char* name;
    std::function<void(PresetDialogue& source, PresetDialogue& fresh)> spoil;
    // The message awaited in vain by the download or the upload, if any.
    const juce::MidiMessage* downloadAwaits;
    const juce::MidiMessage* uploadAwaits;
};

// Rewrites a preset file with every event on one tick, in the order given,
// and a meta event first, which must not reach the engine: FF is System
// Reset there.
void putOnOneTick(const juce::File& file, const std::vector<juce::MidiMessage>& data)
{
    juce::MidiMessageSequence track;
    track.addEvent(juce::MidiMessage::textMetaEvent(3, "track name"));
    for (const auto& message : data)
        track.addEvent(message, -message.getTimeStamp());
    track.addEvent(OrmelMidiMessages::presetEndMessage);
    juce::MidiFile midiFile;
    midiFile.addTrack(track);
    file.deleteFile();
    juce::FileOutputStream out(file);
    ASSERT_TRUE(midiFile.writeTo(out, 1));
}

// The process's working folder for the object's lifetime: a name taken for
// a relative path would land there.
class WorkingFolder
{
public:
    explicit WorkingFolder(const juce::File& folder)
    {
        folder.createDirectory();
        folder.setAsCurrentWorkingDirectory();
    }
    ~WorkingFolder() { previous.setAsCurrentWorkingDirectory(); }

private:
    const juce::File previous = juce::File::getCurrentWorkingDirectory();
};

juce::String timedOut(const juce::MidiMessage* awaited)
{
    if (awaited == nullptr)
        return {};
    return "The expected message has not been received before time out. Message: " +
           awaited->getDescription();
}

std::vector<juce::uint8> bytesOf(const juce::MidiMessage& message)
{
    return {message.getRawData(), message.getRawData() + message.getRawDataSize()};
}

const RoundTripCase roundTrips[] = {
    {"awkwardNames", {}, nullptr, nullptr},
    {"duplicatedAnswers",
     [](auto& source, auto&)
     {
         source.duplicateAnswerOf(3);
         source.duplicateAnswerOf(40);
     },
     nullptr, nullptr},
    {"missingEndMarker", [](auto& source, auto&) { source.withholdEndMarkerOf(70); },
     &OrmelMidiMessages::presetEndMessage, nullptr},
    {"noReadyMessage", [](auto&, auto& fresh) { fresh.setSendsReady(false); }, nullptr,
     &OrmelMidiMessages::readyToReceivePresetMessage},
};

void PrintTo(const RoundTripCase& row, std::ostream* out)
{
    *out << row.name;
}

class PresetRoundTrip : public ::testing::TestWithParam<RoundTripCase>
{
};

TEST_P(PresetRoundTrip, everySlotComesBackUnderItsNameWithItsData)
{
    const auto& row = GetParam();
    const testsupport::LogCapture log;
    const testsupport::TemporaryFolder temporary;
    const juce::File snapshot(juce::String((temporary.path() / "TaveloSnapShot_test").string()));
    ASSERT_TRUE(snapshot.createDirectory());
    const auto working = temporary.path() / "working";
    const WorkingFolder workingFolder(juce::File(juce::String(working.string())));
    auto bus = std::make_shared<simulator::VirtualMidiBus>();
    const auto timing = shortTiming();

    auto source = std::make_unique<Engine>(*bus, PresetDialogue::makeAwkwardBank());
    PresetDialogue spare;
    if (row.spoil)
        row.spoil(source->dialogue, spare);
    const auto downloaded = runPresets(bus, *source, snapshot, true, timing);
    ASSERT_EQ(downloaded.getErrorMessage(), timedOut(row.downloadAwaits));
    if (row.downloadAwaits != nullptr)
        return;

    // Nothing outside the snapshot folder, not even in the working folder;
    // one visible file per preset, one per group.
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(temporary.path()))
        if (entry.path() != snapshot.getFullPathName().toStdString() && entry.path() != working)
        {
            EXPECT_EQ(entry.path().parent_path().string(), snapshot.getFullPathName().toStdString())
                << entry.path();
            EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
            ++files;
        }
    EXPECT_EQ(files, PresetDialogue::presetCount + 8);

    const auto sourceBank = [&]
    {
        PresetDialogue::Bank bank;
        for (int slot = 0; slot < PresetDialogue::presetCount; ++slot)
            bank[static_cast<size_t>(slot)] = source->dialogue.getPreset(slot);
        return bank;
    }();
    putOnOneTick(snapshot.getChildFile("Preset 30.mid"), sourceBank[30].data);
    source.reset();
    Engine fresh(*bus, {});
    if (row.spoil)
        row.spoil(spare, fresh.dialogue);
    const auto uploaded = runPresets(bus, fresh, snapshot, false, timing);
    ASSERT_EQ(uploaded.getErrorMessage(), timedOut(row.uploadAwaits));
    if (row.uploadAwaits != nullptr)
        return;

    for (int slot = 0; slot < PresetDialogue::presetCount; ++slot)
    {
        const auto& before = sourceBank[static_cast<size_t>(slot)];
        const auto after = fresh.dialogue.getPreset(slot);
        EXPECT_EQ(after.name.value_or("<none>"), expectedName(before)) << "slot " << slot;
        std::vector<std::vector<juce::uint8>> dataBefore, dataAfter;
        for (const auto& message : before.data)
            dataBefore.push_back(bytesOf(message));
        for (const auto& message : after.data)
            dataAfter.push_back(bytesOf(message));
        EXPECT_EQ(dataAfter, dataBefore) << "slot " << slot;
    }
}

INSTANTIATE_TEST_SUITE_P(Presets, PresetRoundTrip, ::testing::ValuesIn(roundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

// A group file line whose file name JUCE takes for a path: the file of that
// path, here in the working folder, is not read.
TEST(PresetUpload, readsNoFileOutsideTheSnapshotFolder)
{
    const testsupport::LogCapture log;
    const testsupport::TemporaryFolder temporary;
    const juce::File snapshot(juce::String((temporary.path() / "snapshot").string()));
    ASSERT_TRUE(snapshot.createDirectory());
    const WorkingFolder workingFolder(juce::File(juce::String((temporary.path() / "working").string())));
    const auto stray = juce::File::getCurrentWorkingDirectory().getChildFile("~stray.mid");
    ASSERT_TRUE(PresetMidiFile::write(stray, {OrmelMidiMessages::presetEndMessage}).wasOk());
    ASSERT_TRUE(snapshot.getChildFile("group0.txt").replaceWithText("0,\"~stray.mid\"\n"));

    auto bus = std::make_shared<simulator::VirtualMidiBus>();
    Engine fresh(*bus, {});
    const auto uploaded = runPresets(bus, fresh, snapshot, false, shortTiming());
    EXPECT_TRUE(uploaded.getErrorMessage().contains("is not in the snapshot folder"))
        << uploaded.getErrorMessage();
    EXPECT_FALSE(fresh.dialogue.getPreset(0).name);
}
} // namespace
