#include "InstrumentData.h"

namespace simulator
{
InstrumentData InstrumentData::makeTypical()
{
    InstrumentData data;
    const int instructions[] = {4, 110, 111, 115, 150, 151, 400, 405, 500, 517, 600, 604, 611, 703, 818, 907};
    for (int testId = 1; testId <= 13; ++testId)
    {
        auto& entries = data.testLogs[testId].emplace();
        for (int step = 0; step <= testId % 4; ++step)
            entries.push_back({instructions[(testId * 3 + step) % std::size(instructions)],
                               10 * (step + 1) + testId, (testId + step) % 3});
    }
    // One test that never ran, and one that ran no instruction.
    data.testLogs[9] = std::nullopt;
    data.testLogs[12].emplace();
    data.testLogs[1]->push_back({16383, 16383, 1});

    for (int key = 0; key < keyCount; ++key)
    {
        const int sign = key % 2 == 0 ? 1 : -1;
        data.touchCalibration.push_back({key,
                                         {120 + key, -5 * key, 0},
                                         {sign * 3000 * key, 16384 + key, -key},
                                         {-2097151 + key, 7, sign * 128},
                                         {2097151 - key, -(key * key), 127}});

        std::vector<SysExAnswerBuilder::KeyPositionEntry> grid;
        for (int index = 0; index < 4; ++index)
            grid.push_back(
                {index, (index - 2) * 31 + key % 3, {key * 1000 - index * 7, -index * 16384, sign * key}});
        data.keyPositions[key] = grid;
    }
    return data;
}
} // namespace simulator
