#pragma once

#include "SysExAnswerBuilder.h"

#include <map>
#include <optional>
#include <vector>

namespace simulator
{
// What the simulated instrument holds and tells when asked.
struct InstrumentData
{
    juce::String firmwareVersion = "2.3.1";
    juce::String ormelVersion = "1.8.0";
    juce::String serialNumber = "TVP-0042-1187";

    // Per test id; a test without a value has no result to tell.
    std::map<int, std::optional<std::vector<SysExAnswerBuilder::TestLogEntry>>> testLogs;
    std::vector<SysExAnswerBuilder::TouchBlock> touchCalibration;
    // Per key number, 0 to 48.
    std::map<int, std::vector<SysExAnswerBuilder::KeyPositionEntry>> keyPositions;

    static constexpr int keyCount = 49;

    // A plausible instrument: logs for the 13 factory tests, the touch
    // calibration of the 49 keys, and a position grid for every key, with
    // negative numbers, zeros and the largest codable values among them.
    static InstrumentData makeTypical();
};
} // namespace simulator
