#include "update/TaveloUpdateFile.h"

#include "common/FmtJuceString.h"

#include <spdlog/spdlog.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace
{
const char* const bothImagesNeeded = "The archive must hold one .sfb and one .dat file at its top level.";

enum class ImageKind
{
    firmware,
    dsp,
    unknown
};

// The extension decides, letter case included.
ImageKind kindOf(const juce::String& name)
{
    if (name.matchesWildcard("*.dat", false))
        return ImageKind::dsp;
    if (name.matchesWildcard("*.sfb", false))
        return ImageKind::firmware;
    return ImageKind::unknown;
}

// Counts the images; the first surplus or unknown name is the failure.
class ImageCount
{
public:
    juce::Result add(const juce::String& name)
    {
        switch (kindOf(name))
        {
        case ImageKind::dsp:
            return ++dsp > 1 ? juce::Result::fail("Several .dat files found in the archive.")
                             : juce::Result::ok();
        case ImageKind::firmware:
            return ++firmware > 1 ? juce::Result::fail("Several .sfb files found in the archive.")
                                  : juce::Result::ok();
        case ImageKind::unknown:
            break;
        }
        return juce::Result::fail("Unknown file found in the archive.");
    }

    juce::Result complete() const
    {
        return dsp == 1 && firmware == 1 ? juce::Result::ok() : juce::Result::fail(bothImagesNeeded);
    }

private:
    int dsp = 0;
    int firmware = 0;
};

// Only plain, non-empty files at the top: a link could point the unpacked
// "image" anywhere, a path could place it anywhere.
juce::Result checkEntry(const juce::ZipFile::ZipEntry& entry)
{
    const auto& name = entry.filename;
    if (entry.isSymbolicLink)
        return juce::Result::fail("Symbolic link found in the archive.");
    if (name.isEmpty() || name.containsAnyOf("/\\") || name == "." || name == "..")
        return juce::Result::fail("Only files at the top of the archive are accepted.");
    if (entry.uncompressedSize <= 0)
        return juce::Result::fail("Empty file found in the archive.");
    return juce::Result::ok();
}

class OpenArchive
{
public:
    explicit OpenArchive(const juce::File& archive)
        : stream(archive)
    {
        if (stream.failedToOpen())
            result = stream.getStatus();
        else if (!archive.existsAsFile())
            result = juce::Result::fail("The update file is not a file.");
        else
            zip = std::make_unique<juce::ZipFile>(&stream, false);
    }

    juce::Result check() const
    {
        if (result.failed())
            return result;
        if (zip->getNumEntries() != 2)
            return juce::Result::fail("Wrong number of entries in the archive.");
        ImageCount count;
        for (int i = 0; i < zip->getNumEntries(); ++i)
        {
            const auto* entry = zip->getEntry(i);
            if (auto entryResult = checkEntry(*entry); entryResult.failed())
                return entryResult;
            if (auto added = count.add(entry->filename); added.failed())
                return added;
        }
        return count.complete();
    }

    juce::ZipFile& getZip() const { return *zip; }

private:
    juce::FileInputStream stream;
    juce::Result result = juce::Result::ok();
    std::unique_ptr<juce::ZipFile> zip;
};

bool isOwnLeftover(const std::filesystem::path& path)
{
    struct stat info
    {
    };
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

// Folders of this user's earlier, killed runs, also at the fixed name
// earlier versions used; never through a link, never another user's.
bool removeOwnLeftovers(const std::filesystem::path& temporary)
{
    bool found = false;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(temporary, error))
    {
        const auto name = entry.path().filename().string();
        if ((name.rfind(TaveloUpdateFile::folderPrefix, 0) == 0 || name == ".TaveloUpdate") &&
            isOwnLeftover(entry.path()))
        {
            found = true;
            std::filesystem::remove_all(entry.path(), error);
        }
    }
    return found;
}
} // namespace

juce::Result TaveloUpdateFile::check(const juce::File& archive)
{
    return OpenArchive(archive).check();
}

juce::Result TaveloUpdateFile::unpack(const juce::File& archive)
{
    const OpenArchive open(archive);
    if (const auto checked = open.check(); checked.failed())
        return checked;
    if (const auto made = makeTemporaryFolder(); made.failed())
        return made;

    auto& zip = open.getZip();
    for (int i = 0; i < zip.getNumEntries(); ++i)
        if (const auto unzipped = zip.uncompressEntry(i, temporaryFolder->getFile(), true); unzipped.failed())
            return juce::Result::fail(
                fmt::format("Could not unzip update file: {}", unzipped.getErrorMessage()));
    return classifyUnpackedFiles();
}

juce::Result TaveloUpdateFile::makeTemporaryFolder()
{
    const std::filesystem::path temporary =
        juce::File::getSpecialLocation(juce::File::tempDirectory).getFullPathName().toStdString();
    if (removeOwnLeftovers(temporary))
        spdlog::warn("Temporary files found from previous executions.");

    // mkdtemp: a new folder that only this user can enter.
    auto pattern = (temporary / (std::string(folderPrefix) + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return juce::Result::fail(fmt::format("Could not create directory: {}.", std::strerror(errno)));
    temporaryFolder.emplace(juce::File(pattern));
    return juce::Result::ok();
}

juce::Result TaveloUpdateFile::classifyUnpackedFiles()
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(
             temporaryFolder->getFile().getFullPathName().toStdString(), error))
    {
        const auto type = entry.symlink_status(error);
        if (!std::filesystem::is_regular_file(type) || std::filesystem::file_size(entry.path(), error) == 0)
            return juce::Result::fail("Only non-empty regular files are accepted in the archive.");
        const juce::File file(entry.path().string());
        switch (kindOf(file.getFileName()))
        {
        case ImageKind::dsp:
            if (dspFile)
                return juce::Result::fail("Several .dat files found in the archive.");
            dspFile.emplace(file);
            break;
        case ImageKind::firmware:
            if (firmwareFile)
                return juce::Result::fail("Several .sfb files found in the archive.");
            firmwareFile.emplace(file);
            break;
        case ImageKind::unknown:
            return juce::Result::fail("Unknown file found in the archive.");
        }
    }
    if (!dspFile || !firmwareFile)
        return juce::Result::fail(bothImagesNeeded);
    return juce::Result::ok();
}
