#include "update/TaveloUpdateFile.h"

#include "common/FmtJuceString.h"
#include "update/ZipCentralDirectory.h"

#include <spdlog/spdlog.h>
#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

namespace
{
const char* const bothImagesNeeded = "The archive must hold one .sfb and one .dat file at its top level.";
const char* const notReadable = "The file is not a readable update archive.";
const char* const unpackStopped = "Unpacking stopped.";
// Small enough that a stop is seen at once, large enough to inflate fast.
constexpr int chunkSize = 64 * 1024;

using Record = ZipCentralDirectory::Record;

juce::Result damaged(const juce::String& name)
{
    return juce::Result::fail(fmt::format(
        "The update file is damaged: {} does not match its checksum or size. Nothing was sent to the Tavelo.",
        name));
}

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
    if (entry.uncompressedSize > TaveloUpdateFile::maxImageSize)
        return juce::Result::fail(
            fmt::format("{} is larger than an update image can be ({} MiB). Nothing was sent to the Tavelo.",
                        name, TaveloUpdateFile::maxImageSize / (1024 * 1024)));
    return juce::Result::ok();
}

juce::Result writeFailed(const juce::File& target, const juce::Result& status)
{
    return juce::Result::fail(fmt::format("Could not unzip update file: {}",
                                          status.failed() ? status.getErrorMessage()
                                                          : "could not write " + target.getFullPathName()));
}

// JUCE's inflater stops silently at a data error and copies a stored entry
// as it is: the bytes are proven here against the archive's record. Never
// more than the recorded size is written; one byte more only shows that
// the data runs past its record.
juce::Result extractEntry(juce::ZipFile& zip, int index, const Record& record, const juce::File& target,
                          const std::function<bool()>& stopRequested)
{
    const auto& name = zip.getEntry(index)->filename;
    juce::int64 written = 0;
    auto crc = ::crc32(0L, nullptr, 0);
    {
        const std::unique_ptr<juce::InputStream> input(zip.createStreamForEntry(index));
        if (input == nullptr)
            return juce::Result::fail(notReadable);
        juce::FileOutputStream output(target);
        if (output.failedToOpen())
            return writeFailed(target, output.getStatus());
        std::vector<char> chunk(chunkSize);
        for (;;)
        {
            if (stopRequested())
                return juce::Result::fail(unpackStopped);
            const auto got = input->read(chunk.data(), chunkSize);
            if (got <= 0)
                break;
            if (written + got > record.uncompressedSize)
                return damaged(name);
            crc = ::crc32(crc, reinterpret_cast<const Bytef*>(chunk.data()), static_cast<uInt>(got));
            if (!output.write(chunk.data(), static_cast<size_t>(got)))
                return writeFailed(target, output.getStatus());
            written += got;
        }
        output.flush();
        if (output.getStatus().failed())
            return writeFailed(target, output.getStatus());
    }
    if (written != record.uncompressedSize || crc != record.crc)
        return damaged(name);
    // What is on the disk is all that was proven.
    if (target.getSize() != written)
        return writeFailed(target, juce::Result::ok());
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
        {
            records = ZipCentralDirectory::read(stream);
            // Only over a directory found: on any other file JUCE's reader
            // would take the whole file into memory.
            if (records)
                zip = std::make_unique<juce::ZipFile>(&stream, false);
        }
    }

    juce::Result check() const
    {
        if (result.failed())
            return result;
        if (!zip || !agreesWithRecords())
            return juce::Result::fail(notReadable);
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
    const Record& getRecord(int index) const { return records->at(static_cast<size_t>(index)); }

    juce::int64 unpackedSize() const
    {
        juce::int64 size = 0;
        for (const auto& record : *records)
            size += record.uncompressedSize;
        return size;
    }

private:
    // Two readers of one directory: the CRCs are only worth something for
    // the entries JUCE unpacks.
    bool agreesWithRecords() const
    {
        if (static_cast<size_t>(zip->getNumEntries()) != records->size())
            return false;
        for (int i = 0; i < zip->getNumEntries(); ++i)
        {
            const auto& record = getRecord(i);
            const auto* entry = zip->getEntry(i);
            if (entry->filename !=
                    juce::String::fromUTF8(record.name.data(), static_cast<int>(record.name.size())) ||
                entry->uncompressedSize != record.uncompressedSize)
                return false;
        }
        return true;
    }

    juce::FileInputStream stream;
    juce::Result result = juce::Result::ok();
    std::optional<std::vector<Record>> records;
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

juce::Result TaveloUpdateFile::unpack(const juce::File& archive, const std::function<bool()>& stopRequested)
{
    const OpenArchive open(archive);
    if (const auto checked = open.check(); checked.failed())
        return checked;
    if (const auto made = makeTemporaryFolder(); made.failed())
        return made;
    const auto folder = temporaryFolder->getFile();
    if (folder.getBytesFreeOnVolume() < open.unpackedSize())
        return juce::Result::fail("Not enough free disk space to unpack the update file.");

    auto& zip = open.getZip();
    for (int i = 0; i < zip.getNumEntries(); ++i)
    {
        const auto& name = zip.getEntry(i)->filename;
        // Joined as a path: JUCE's getChildFile takes a name beginning with
        // "~" for a path of its own.
        const juce::File target(
            (std::filesystem::path(folder.getFullPathName().toStdString()) / name.toStdString()).string());
        (kindOf(name) == ImageKind::dsp ? dspFile : firmwareFile).emplace(target);
        if (const auto extracted = extractEntry(zip, i, open.getRecord(i), target, stopRequested);
            extracted.failed())
            return extracted;
    }
    return juce::Result::ok();
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
