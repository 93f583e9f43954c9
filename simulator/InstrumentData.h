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

    // Logs for the 13 factory tests, touch calibration and position grids of
    // the 49 keys, with negative numbers, zeros and the largest codable values.
    static InstrumentData makeTypical();
};
} // namespace simulator
