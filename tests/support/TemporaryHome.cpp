#include "TemporaryHome.h"

#include <cstdlib>

namespace testsupport
{
TemporaryHome::TemporaryHome()
    : folder(juce::File::getSpecialLocation(juce::File::tempDirectory)
                 .getNonexistentChildFile("home", "", false))
{
    folder.createDirectory();
    if (const char* home = std::getenv("HOME"))
    {
        previous = home;
        hadPrevious = true;
    }
    setenv("HOME", folder.getFullPathName().toRawUTF8(), 1);
}

TemporaryHome::~TemporaryHome()
{
    if (hadPrevious)
        setenv("HOME", previous.c_str(), 1);
    else
        unsetenv("HOME");
    folder.deleteRecursively();
}
} // namespace testsupport
