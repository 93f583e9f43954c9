#pragma once

#include <juce_core/juce_core.h>

// A file or a folder with its contents, deleted when this object goes.
// Move-only: a moved-from object deletes nothing.
class DisposableFile
{
public:
    explicit DisposableFile(juce::File file);
    ~DisposableFile();

    DisposableFile(DisposableFile&& other) noexcept;
    DisposableFile& operator=(DisposableFile&& other) noexcept;
    DisposableFile(const DisposableFile&) = delete;
    DisposableFile& operator=(const DisposableFile&) = delete;

    const juce::File& getFile() const noexcept { return file; }

private:
    void dispose() const;

    juce::File file;
};
