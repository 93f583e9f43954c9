#include "midiUsb/SysExFactory.h"

namespace midiUsb
{
const SysExFactory::Table SysExFactory::status{
    {0, "Failure"},
    {1, "Success"},
    {2, "Test not found"},
};

const SysExFactory::Table SysExFactory::testIDs{
    {1, "Push button"},
    {2, "Encoder"},
    {3, "Potentiometers"},
    {4, "Wheel"},
    {5, "LEDs"},
    {6, "Check 12 sensors"},
    {7, "Check 13 sensors"},
    {8, "Check 49 sensors"},
    {9, "Menu LEDs"},
    {10, "Control LEDs"},
    {11, "MIDI"},
    {12, "Pedal"},
    {13, "Grouped LED"},
};

// The texts are the instrument's own, typos included.
const SysExFactory::Table SysExFactory::instructionIDs{
    {4, "is keyboard responding"},
    {110, "check if each sensor has a magnet"},
    {111, "Checking ormel board connection"},
    {112, "check if 12 sensors"},
    {113, "check if 13 sensors"},
    {114, "check if 49 sensors"},
    {115, "check if 25 sensors"},
    {150, "check sensor temperature"},
    {151, "check MCU temperature"},
    {400, "press button mode"},
    {401, "press button menu 1"},
    {402, "press button menu 2"},
    {403, "press button menu 3"},
    {404, "press button menu 4"},
    {405, "press button Previous octave"},
    {406, "press button Next octave"},
    {407, "press button Previous preset"},
    {408, "press button Next preset"},
    {500, "encoder 1 push"},
    {501, "encoder 1 left"},
    {502, "encoder 1 right"},
    {503, "encoder 2 push"},
    {504, "encoder 2 left"},
    {505, "encoder 2 right"},
    {506, "encoder 3 push"},
    {507, "encoder 3 left"},
    {508, "encoder 3 right"},
    {509, "encoder 4 push"},
    {510, "encoder 4 left"},
    {511, "encoder 4 right"},
    {512, "navigation top push"},
    {513, "navigation top left"},
    {514, "navigation top right"},
    {515, "navigation bottom push"},
    {516, "navigation bottom left"},
    {517, "navigation bottom right"},
    {600, "set volume min"},
    {601, "set volume max"},
    {604, "press pedal 1 to max"},
    {605, "release pedal 1"},
    {606, "press pedal 2 to max"},
    {607, "release pedal 2"},
    {608, "check pedal 1 plugged in"},
    {609, "check pedal 1 unplugged"},
    {610, "check pedal 2 plugged in"},
    {611, "check pedal 2 unplugged"},
    {700, "set pitch min"},
    {701, "set pitch max"},
    {702, "set mod min"},
    {703, "set mod max"},
    {800, "LED on button mode"},
    {801, "LED on button 1"},
    {802, "LED on button 2"},
    {803, "LED on button 3"},
    {804, "LED on button 4"},
    {805, "Oct LED 1"},
    {806, "Oct LED 2"},
    {807, "Oct LED 3"},
    {808, "Oct LED 4"},
    {809, "Oct LED 5"},
    {810, "previous Oct button"},
    {811, "Next Oct button"},
    {812, "previous preset button"},
    {813, "next preset button"},
    {814, "all menu LED on"},
    {815, "all oct LED on"},
    {816, "all oct/pres button LED on"},
    {817, "all bottom LED on"},
    {818, "rectangle on screen looks white"},
    {901, "check midi connection"},
    {902, "audio test lauch preset"},
    {903, "audio test right"},
    {904, "audio test left"},
    {905, "audio test noise"},
    {906, "audio test sweep"},
    {907, "audio test stop"},
};

std::optional<std::string_view> SysExFactory::find(const Table& table, unsigned int id)
{
    const auto row = table.find(id);
    if (row == table.end())
        return std::nullopt;
    return row->second;
}
} // namespace midiUsb
