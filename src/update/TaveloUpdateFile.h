#pragma once

#include "common/DisposableFile.h"

#include <juce_core/juce_core.h>

#include <optional>

// The update archive (".taveloupdate"): a zip holding exactly one main
// firmware image "*.sfb" and one sound-engine image "*.dat", both regular,
// non-empty files at its top level. Unpacked into a fresh private folder
// that goes, with the images, when this object goes.
class TaveloUpdateFile
{
public:
    static constexpr const char* folderPrefix = ".TaveloUpdate-";

    // Reads only the archive's directory: whether unpacking can succeed.
    // Fails with the texts the unpacking fails with.
    static juce::Result check(const juce::File& archive);

    juce::Result unpack(const juce::File& archive);

    juce::File getFirmwareFile() const { return firmwareFile ? firmwareFile->getFile() : juce::File(); }
    juce::File getDspFile() const { return dspFile ? dspFile->getFile() : juce::File(); }
    juce::File getTemporaryFolder() const
    {
        return temporaryFolder ? temporaryFolder->getFile() : juce::File();
    }

private:
    juce::Result makeTemporaryFolder();
    juce::Result classifyUnpackedFiles();

    // Deleted in reverse order: the images, then the folder.
    std::optional<DisposableFile> temporaryFolder;
    std::optional<DisposableFile> firmwareFile;
    std::optional<DisposableFile> dspFile;
};
