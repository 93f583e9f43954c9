#include "common/DisposableFile.h"

#include "common/FmtJuceString.h"

#include <spdlog/spdlog.h>

DisposableFile::DisposableFile(juce::File fileToDispose)
    : file(std::move(fileToDispose))
{
}

DisposableFile::~DisposableFile()
{
    dispose();
}

DisposableFile::DisposableFile(DisposableFile&& other) noexcept
    : file(std::exchange(other.file, juce::File()))
{
}

DisposableFile& DisposableFile::operator=(DisposableFile&& other) noexcept
{
    if (this != &other)
    {
        dispose();
        file = std::exchange(other.file, juce::File());
    }
    return *this;
}

void DisposableFile::dispose() const
{
    if (file == juce::File())
        return;

    if (file.existsAsFile())
    {
        if (!file.deleteFile())
            spdlog::warn("Temporary file {} could not be deleted", file.getFileName());
    }
    else if (file.isDirectory())
    {
        if (!file.deleteRecursively())
            spdlog::warn("Temporary folder {} could not be deleted", file.getFileName());
    }
}
