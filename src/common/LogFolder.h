#pragma once

#include <juce_core/juce_core.h>

namespace utils
{
// The folder of the application log and of the transfer log, ending in "/":
// the system's per-user log folder followed by "/TaveloUpdater/logs/".
const juce::String& logFolder();
} // namespace utils
