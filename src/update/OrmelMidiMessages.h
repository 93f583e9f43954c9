#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

// The fixed messages of the preset dialogue with the sound engine, and those
// built from a slot, a group or a name character. All are plain three- or
// two-byte messages on channel 16 (15 for the store command).
class OrmelMidiMessages
{
public:
    OrmelMidiMessages() = delete;

    static const juce::MidiMessage readyToReceivePresetMessage; // BF 6D 05
    static const juce::MidiMessage presetNameBeginMessage;      // BF 38 00
    static const juce::MidiMessage presetNameEndMessage;        // BF 38 7F
    static const juce::MidiMessage simulateMatrixMessage;       // BF 74 2A
    static const juce::MidiMessage presetBeginMessage;          // BF 6E 78
    static const juce::MidiMessage presetEndMessage;            // BF 6E 7C
    static const juce::MidiMessage selectUserBankMessage;       // BF 00 00
    static const juce::MidiMessage selectUserSubBankMessage;    // BF 20 00

    static constexpr int groupCount = 8;
    static constexpr int slotsPerGroup = 16;

    // BF 6E ((slot + 101) & 0x7F)
    static juce::MidiMessage presetRequest(int slot);
    // CF ((group & 7) << 4)
    static juce::MidiMessage groupSelection(int group);
    // DF (character & 0x7F)
    static juce::MidiMessage nameCharacter(std::uint8_t character);
    // CE ((group * 16 + slot) & 0x7F)
    static juce::MidiMessage storeCommand(int group, int slot);

    // Same size and bytes; time stamps do not count.
    static bool equal(const juce::MidiMessage& a, const juce::MidiMessage& b);
};
