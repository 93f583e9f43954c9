#pragma once

#include <juce_core/juce_core.h>

// Makes the logger "multi_sink" over the appended file the default logger.
// On failure prints "Log init failed: " and the reason, and keeps the
// console logger.
void initialiseApplicationLog(const juce::String& logFilePath);
