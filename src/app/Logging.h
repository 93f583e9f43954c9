#pragma once

#include <juce_core/juce_core.h>

// Makes the logger "multi_sink" over the appended file the default logger,
// flushed on every warning or worse and at most a second after any line.
// On failure prints "Log init failed: " and the reason, and keeps the
// console logger.
void initialiseApplicationLog(const juce::String& logFilePath);
