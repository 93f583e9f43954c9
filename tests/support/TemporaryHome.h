#pragma once

#include <juce_core/juce_core.h>

#include <string>

namespace testsupport
{
// Points HOME at an empty folder for the object's lifetime, so user
// properties and logs never touch the real user's files.
class TemporaryHome
{
public:
    TemporaryHome();
    ~TemporaryHome();

    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;

    const juce::File& getFolder() const noexcept { return folder; }

private:
    const juce::File folder;
    std::string previous;
    bool hadPrevious = false;
};
} // namespace testsupport
