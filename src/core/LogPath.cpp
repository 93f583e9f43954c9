#include "core/Core.h"

#include "common/LogFolder.h"

// Ready before main, so every part can log to this folder.
const juce::String Core::logPath = utils::logFolder();
