#include "common/LogFolder.h"

namespace utils
{
const juce::String& logFolder()
{
    static const juce::String folder =
        juce::FileLogger::getSystemLogFileFolder().getFullPathName() + "/TaveloUpdater/logs/";
    return folder;
}
} // namespace utils
