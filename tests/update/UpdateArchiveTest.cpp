#include "ZipWriter.h"
#include "support/LogCapture.h"
#include "support/TemporaryFolder.h"
#include "update/TaveloUpdateFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>

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
};

const ZipEntry firmware{"fw.sfb", "firmware bytes"};
const ZipEntry dsp{"engine.dat", "sound engine bytes"};
const std::string onlyTopFiles = "Only files at the top of the archive are accepted.";

class Archive : public testing::TestWithParam<ArchiveCase>
{
protected:
    // Unpacked under a folder of the test's own.
    Archive() { setenv("TMPDIR", temporary.path().c_str(), 1); }
    ~Archive() override { unsetenv("TMPDIR"); }

    testsupport::TemporaryFolder temporary;
    testsupport::TemporaryFolder source;
};

TEST_P(Archive, unpacksOnlyTwoPlainTopLevelImages)
{
    const auto path = source.path() / "update.taveloupdate";
    if (GetParam().name != "missingFile")
        writeZip(path, GetParam().entries);
    const juce::File archive(path.string());

    const auto checked = TaveloUpdateFile::check(archive);
    std::optional<TaveloUpdateFile> unpacked(std::in_place);
    const auto result = unpacked->unpack(archive);

    EXPECT_EQ(checked.getErrorMessage().toStdString(), GetParam().failure);
    EXPECT_EQ(result.getErrorMessage().toStdString(), GetParam().failure);
    if (result.wasOk())
    {
        EXPECT_EQ(unpacked->getFirmwareFile().loadFileAsString(), juce::String(firmware.content));
        EXPECT_EQ(unpacked->getDspFile().loadFileAsString(), juce::String(dsp.content));
        struct stat info
        {
        };
        ASSERT_EQ(::stat(unpacked->getTemporaryFolder().getFullPathName().toRawUTF8(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        EXPECT_TRUE(unpacked->getTemporaryFolder().getFileName().startsWith(".TaveloUpdate-"));
    }
    unpacked.reset();
    EXPECT_TRUE(fs::is_empty(temporary.path()));
    // Nothing written through a link.
    EXPECT_FALSE(fs::exists(source.path() / "passwd"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Archive,
    testing::Values(
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
        ArchiveCase{"notAZip", {}, "Wrong number of entries in the archive."},
        ArchiveCase{"missingFile", {}, "No such file or directory"}),
    [](const auto& info) { return info.param.name; });

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
        EXPECT_TRUE(unpacked.unpack(juce::File(path.string())).wasOk());
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
} // namespace
