#include "Core.h"

// Ready before main, so every part can log to this folder.
const juce::String Core::logPath =
    juce::FileLogger::getSystemLogFileFolder().getFullPathName() + "/TaveloUpdater/logs/";
