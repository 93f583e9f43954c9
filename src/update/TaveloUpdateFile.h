#pragma once

#include "common/DisposableFile.h"

#include <juce_core/juce_core.h>

#include <functional>
#include <optional>

// The update archive (".taveloupdate"): a zip holding exactly one main
// firmware image "*.sfb" and one sound-engine image "*.dat", both regular,
// non-empty files at its top level. Unpacked into a fresh private folder
// that goes, with the images, when this object goes.
class TaveloUpdateFile
{
public:
    static constexpr const char* folderPrefix = ".TaveloUpdate-";
    // A keyboard's firmware and sound-engine images are a few MiB; anything
    // recorded above this is refused before a byte is written.
    static constexpr juce::int64 maxImageSize = 64 * 1024 * 1024;

    // Unpacks both images and proves each against the archive's own record
    // (size and CRC-32), so that all the archive can reveal is known before
    // the instrument is touched; the images then stay as proven. Checks
    // stopRequested while it inflates and writes.
    juce::Result unpack(const juce::File& archive, const std::function<bool()>& stopRequested);

    juce::File getFirmwareFile() const { return firmwareFile ? firmwareFile->getFile() : juce::File(); }
    juce::File getDspFile() const { return dspFile ? dspFile->getFile() : juce::File(); }
    juce::File getTemporaryFolder() const
    {
        return temporaryFolder ? temporaryFolder->getFile() : juce::File();
    }

private:
    juce::Result makeTemporaryFolder();

    // Deleted in reverse order: the images, then the folder.
    std::optional<DisposableFile> temporaryFolder;
    std::optional<DisposableFile> firmwareFile;
    std::optional<DisposableFile> dspFile;
};
