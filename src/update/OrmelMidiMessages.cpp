#include "update/OrmelMidiMessages.h"

#include <cstring>

namespace
{
constexpr int controllerOnChannel16 = 0xBF;
} // namespace

const juce::MidiMessage OrmelMidiMessages::readyToReceivePresetMessage{controllerOnChannel16, 0x6D, 0x05};
const juce::MidiMessage OrmelMidiMessages::presetNameBeginMessage{controllerOnChannel16, 0x38, 0x00};
const juce::MidiMessage OrmelMidiMessages::presetNameEndMessage{controllerOnChannel16, 0x38, 0x7F};
const juce::MidiMessage OrmelMidiMessages::simulateMatrixMessage{controllerOnChannel16, 0x74, 0x2A};
const juce::MidiMessage OrmelMidiMessages::presetBeginMessage{controllerOnChannel16, 0x6E, 0x78};
const juce::MidiMessage OrmelMidiMessages::presetEndMessage{controllerOnChannel16, 0x6E, 0x7C};
const juce::MidiMessage OrmelMidiMessages::selectUserBankMessage{controllerOnChannel16, 0x00, 0x00};
const juce::MidiMessage OrmelMidiMessages::selectUserSubBankMessage{controllerOnChannel16, 0x20, 0x00};

juce::MidiMessage OrmelMidiMessages::presetRequest(int slot)
{
    return {controllerOnChannel16, 0x6E, (slot + 101) & 0x7F};
}

juce::MidiMessage OrmelMidiMessages::groupSelection(int group)
{
    return {0xCF, (group & 7) << 4};
}

juce::MidiMessage OrmelMidiMessages::nameCharacter(std::uint8_t character)
{
    return {0xDF, character & 0x7F};
}

juce::MidiMessage OrmelMidiMessages::storeCommand(int group, int slot)
{
    return {0xCE, (group * slotsPerGroup + slot) & 0x7F};
}

bool OrmelMidiMessages::equal(const juce::MidiMessage& a, const juce::MidiMessage& b)
{
    const auto size = a.getRawDataSize();
    return size == b.getRawDataSize() &&
           std::memcmp(a.getRawData(), b.getRawData(), static_cast<std::size_t>(size)) == 0;
}
