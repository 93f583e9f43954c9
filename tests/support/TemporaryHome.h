#pragma once

#include <juce_core/juce_core.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace testsupport
{
// Points HOME at an empty folder for the object's lifetime, so user
// properties and logs never touch the real user's files.
class TemporaryHome
{
public:
    TemporaryHome()
    {
        folder.createDirectory();
        if (const char* home = std::getenv("HOME"))
            previous = home;
        setenv("HOME", folder.getFullPathName().toRawUTF8(), 1);
    }
    ~TemporaryHome()
    {
        previous ? setenv("HOME", previous->c_str(), 1) : unsetenv("HOME");
        folder.deleteRecursively();
    }
    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;

    const juce::File& getFolder() const noexcept { return folder; }

private:
    const juce::File folder =
        juce::File::getSpecialLocation(juce::File::tempDirectory).getNonexistentChildFile("home", "", false);
    std::optional<std::string> previous;
};
} // namespace testsupport
