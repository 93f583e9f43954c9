#include "UpdateRig.h"
#include "ZipWriter.h"
#include "midiUsb/SysExRequests.h"
#include "support/LogCapture.h"
#include "support/TemporaryFolder.h"
#include "update/TaveloUpdateFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>

using namespace std::chrono_literals;
using namespace updatetest;
namespace fs = std::filesystem;

namespace
{
struct ArchiveCase
{
    std::string name;
    std::vector<ZipEntry> entries;
    // The failure text, or empty for an archive that unpacks.
    std::string failure;
    // What becomes of the archive's bytes on the disk.
    std::function<void(std::string&)> alterFile = {};
};

// The row's name, not a dump of its bytes, wherever gtest shows a row.
void PrintTo(const ArchiveCase& row, std::ostream* out)
{
    *out << row.name;
}

// Compressible like a real image, so that its deflated data is coded.
std::string imageLike(const std::string& word)
{
    std::string text;
    for (int line = 0; line < 4000; ++line)
        text += word + " " + std::to_string(line * line) + "\n";
    return text;
}

const ZipEntry firmware{"fw.sfb", "firmware bytes"};
const ZipEntry dsp{"engine.dat", "sound engine bytes"};
const ZipEntry deflatedFirmware{"fw.sfb", imageLike("firmware"), 0100644, true};
const ZipEntry deflatedDsp{"engine.dat", imageLike("engine"), 0100644, true};
const std::string onlyTopFiles = "Only files at the top of the archive are accepted.";
const std::string notReadable = "The file is not a readable update archive.";
const auto stopNever = [] { return false; };

ZipEntry damaged(ZipEntry entry, std::function<void(std::string&)> damage)
{
    entry.damage = std::move(damage);
    return entry;
}

void flipMiddleByte(std::string& data)
{
    data[data.size() / 2] ^= 0x10;
}

void cutInHalf(std::string& data)
{
    data.resize(data.size() / 2);
}

std::string damagedText(const std::string& name)
{
    return "The update file is damaged: " + name +
           " does not match its checksum or size. Nothing was sent to the Tavelo.";
}

class Archive : public testing::TestWithParam<ArchiveCase>
{
protected:
    // Unpacked under a folder of the test's own.
    Archive() { setenv("TMPDIR", temporary.path().c_str(), 1); }
    ~Archive() override { unsetenv("TMPDIR"); }

    fs::path writeArchive(const fs::path& folder) const
    {
        const auto path = folder / "update.taveloupdate";
        if (GetParam().name == "missingFile")
            return path;
        auto bytes = zipBytes(GetParam().entries);
        if (GetParam().alterFile)
            GetParam().alterFile(bytes);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    testsupport::TemporaryFolder temporary;
    testsupport::TemporaryFolder source;
};

TEST_P(Archive, unpacksOnlyTwoPlainTopLevelImages)
{
    const juce::File archive(writeArchive(source.path()).string());

    std::optional<TaveloUpdateFile> unpacked(std::in_place);
    const auto result = unpacked->unpack(archive, stopNever);

    EXPECT_EQ(result.getErrorMessage().toStdString(), GetParam().failure);
    if (result.wasOk())
    {
        for (const auto& entry : GetParam().entries)
            EXPECT_EQ(testsupport::readFile((fs::path(entry.name).extension() == ".sfb"
                                                 ? unpacked->getFirmwareFile()
                                                 : unpacked->getDspFile())
                                                .getFullPathName()
                                                .toStdString()),
                      entry.content);
        struct stat info
        {
        };
        ASSERT_EQ(::stat(unpacked->getTemporaryFolder().getFullPathName().toRawUTF8(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        EXPECT_TRUE(unpacked->getTemporaryFolder().getFileName().startsWith(".TaveloUpdate-"));
    }
    // Never more on the disk than an entry's record.
    for (const auto& file : fs::recursive_directory_iterator(temporary.path()))
    {
        for (const auto& entry : GetParam().entries)
        {
            if (file.is_regular_file() && file.path().filename() == entry.name)
            {
                EXPECT_LE(fs::file_size(file.path()), entry.recordedSize.value_or(entry.content.size()));
            }
        }
    }
    unpacked.reset();
    EXPECT_TRUE(fs::is_empty(temporary.path()));
    // Nothing written through a link.
    EXPECT_FALSE(fs::exists(source.path() / "passwd"));
}

// The archives that fail, through the update: found before the instrument
// is touched, no back-up request, nothing sent.
class ArchiveBeforeTheInstrument : public Archive
{
};

TEST_P(ArchiveBeforeTheInstrument, failsBeforeTheInstrumentIsTouched)
{
    UpdateRig rig({});
    rig.launch(writeArchive(rig.folder.path()), false);
    ASSERT_TRUE(rig.runToEnd(60s)) << rig.status();

    EXPECT_EQ(rig.status().toStdString(),
              "Error while uncompressing taveloupdate file: " + GetParam().failure);
    const auto bytes = [](const juce::MidiMessage& message)
    { return juce::MemoryBlock(message.getRawData(), static_cast<size_t>(message.getRawDataSize())); };
    for (const auto& request : rig.instrument.getRequests())
        EXPECT_NE(bytes(request), bytes(midiUsb::SysExRequests::touchCalibrationRequest()));
    EXPECT_TRUE(rig.updateMode.directMessages().empty());
    EXPECT_TRUE(rig.updateMode.receivedImages().empty());
    EXPECT_FALSE(rig.temporaryFoldersLeft());
}

const std::vector<ArchiveCase> cases{
    ArchiveCase{"twoImages", {firmware, dsp}, ""},
    ArchiveCase{"subFolder", {{"fw/fw.sfb", "x"}, dsp}, onlyTopFiles},
    ArchiveCase{"folderEntry", {{"fw/", "", 040755}, dsp}, onlyTopFiles},
    ArchiveCase{"absoluteName", {{"/tmp/fw.sfb", "x"}, dsp}, onlyTopFiles},
    ArchiveCase{
        "threeEntries", {firmware, dsp, {"notes.txt", "x"}}, "Wrong number of entries in the archive."},
    ArchiveCase{"twoSfb", {firmware, {"other.sfb", "x"}}, "Several .sfb files found in the archive."},
    ArchiveCase{"datInCapitals", {firmware, {"engine.DAT", "x"}}, "Unknown file found in the archive."},
    ArchiveCase{
        "symlinkEntry", {{"fw.sfb", "../passwd", 0120777}, dsp}, "Symbolic link found in the archive."},
    ArchiveCase{"emptyImage", {{"fw.sfb", ""}, dsp}, "Empty file found in the archive."},
    ArchiveCase{"noEntries", {}, "Wrong number of entries in the archive."},
    ArchiveCase{"missingFile", {}, "No such file or directory"},
    ArchiveCase{"deflatedImages", {deflatedFirmware, deflatedDsp}, ""},
    ArchiveCase{"flippedStoredByte", {damaged(firmware, flipMiddleByte), dsp}, damagedText("fw.sfb")},
    ArchiveCase{
        "flippedDeflatedByte", {damaged(deflatedFirmware, flipMiddleByte), dsp}, damagedText("fw.sfb")},
    ArchiveCase{
        "truncatedDeflateStream", {firmware, damaged(deflatedDsp, cutInHalf)}, damagedText("engine.dat")},
    // Recorded above the limit: refused from the directory alone.
    ArchiveCase{"oversizedEntry",
                {{"fw.sfb", "x", 0100644, false, TaveloUpdateFile::maxImageSize + 1}, dsp},
                "fw.sfb is larger than an update image can be (64 MiB). Nothing was sent to the Tavelo."},
    // 2 MiB of zeros whose headers claim 1 MiB.
    ArchiveCase{"lyingEntry",
                {firmware, {"engine.dat", std::string(2 << 20, '\0'), 0100644, true, 1 << 20}},
                damagedText("engine.dat")},
    ArchiveCase{"notAZip", {}, notReadable, [](std::string& bytes) { bytes = "Just some text.\n"; }},
    ArchiveCase{"emptyFile", {}, notReadable, [](std::string& bytes) { bytes.clear(); }},
    ArchiveCase{"cutShort", {firmware, dsp}, notReadable, cutInHalf}};

std::vector<ArchiveCase> failing()
{
    std::vector<ArchiveCase> rows;
    std::copy_if(cases.begin(), cases.end(), std::back_inserter(rows),
                 [](const ArchiveCase& row) { return !row.failure.empty(); });
    return rows;
}

const auto caseName = [](const testing::TestParamInfo<ArchiveCase>& row) { return row.param.name; };

INSTANTIATE_TEST_SUITE_P(Cases, Archive, testing::ValuesIn(cases), caseName);
INSTANTIATE_TEST_SUITE_P(Failing, ArchiveBeforeTheInstrument, testing::ValuesIn(failing()), caseName);

// Another user's link at the fixed name earlier versions used is left
// alone; this user's own leftovers go, with the warning.
TEST(ArchiveTemporaryFolder, removesOwnLeftoversAndNeverFollowsALink)
{
    testsupport::TemporaryFolder temporary, source, victim;
    setenv("TMPDIR", temporary.path().c_str(), 1);
    const auto victimFile = victim.writeFile("keep.txt", "keep");
    fs::create_directory_symlink(victim.path(), temporary.path() / ".TaveloUpdate");
    fs::create_directory(temporary.path() / ".TaveloUpdate-abc123");
    std::ofstream(temporary.path() / ".TaveloUpdate-abc123" / "fw.sfb") << "old";
    const auto path = source.path() / "update.taveloupdate";
    writeZip(path, {firmware, dsp});
    const testsupport::LogCapture log;

    {
        TaveloUpdateFile unpacked;
        EXPECT_TRUE(unpacked.unpack(juce::File(path.string()), stopNever).wasOk());
        EXPECT_NE(unpacked.getFirmwareFile().getParentDirectory().getFullPathName().toStdString(),
                  (victim.path()).string());
    }

    EXPECT_EQ(log.count(spdlog::level::warn, "Temporary files found from previous executions."), 1);
    EXPECT_FALSE(fs::exists(temporary.path() / ".TaveloUpdate-abc123"));
    EXPECT_TRUE(fs::is_symlink(temporary.path() / ".TaveloUpdate"));
    EXPECT_EQ(testsupport::readFile(victimFile), "keep");
    EXPECT_EQ(std::distance(fs::directory_iterator(victim.path()), fs::directory_iterator()), 1);
    unsetenv("TMPDIR");
}
// A stop while the images are inflated ends the unpack at once, with
// nothing more written.
TEST(ArchiveStop, endsTheUnpackPromptly)
{
    testsupport::TemporaryFolder temporary, source;
    setenv("TMPDIR", temporary.path().c_str(), 1);
    const auto path = source.path() / "update.taveloupdate";
    const std::string zeros(8 << 20, '\0');
    writeZip(path, {{"fw.sfb", zeros, 0100644, true}, {"engine.dat", zeros, 0100644, true}});
    int polls = 0;
    std::chrono::steady_clock::time_point stoppedAt;

    TaveloUpdateFile unpacked;
    // Stopped once the writing is under way.
    const auto result = unpacked.unpack(juce::File(path.string()),
                                        [&]
                                        {
                                            if (++polls == 3)
                                                stoppedAt = std::chrono::steady_clock::now();
                                            return polls >= 3;
                                        });
    const auto took = std::chrono::steady_clock::now() - stoppedAt;
    std::cout << "[ stop     ] unpack ended " << std::chrono::duration<double, std::milli>(took).count()
              << " ms after the stop\n";

    EXPECT_TRUE(result.failed());
    EXPECT_LT(took, 5s);
    std::uintmax_t written = 0;
    for (const auto& file : fs::recursive_directory_iterator(temporary.path()))
        if (file.is_regular_file())
            written += file.file_size();
    EXPECT_LT(written, zeros.size());
    unsetenv("TMPDIR");
}
} // namespace
