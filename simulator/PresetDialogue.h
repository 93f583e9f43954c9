#pragma once

#include "SimulatedMidiDevice.h"

#include <array>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace simulator
{
// One user preset of the sound engine: a name (none for a slot whose answer
// carries no name section) and its data messages.
struct SimulatedPreset
{
    std::optional<std::string> name;
    std::vector<juce::MidiMessage> data;
};

// The sound engine's side of the preset dialogue, plugged into a
// SimulatedSoundEngine as its responder: 8 groups of 16 presets, selected by
// bank select and the group's program change; a preset request is answered
// with name section, data-begin, data and end marker; uploaded data are
// collected up to the end marker, answered with the ready message, and
// stored under the name that follows at the store command. Faults on demand.
class PresetDialogue
{
public:
    static constexpr int presetCount = 128;
    using Bank = std::array<SimulatedPreset, presetCount>;

    // Every slot empty: no name, no data.
    PresetDialogue() = default;
    explicit PresetDialogue(Bank bank);

    // Distinct data in every slot and every awkward name: "/", "..", ",",
    // NUL, non-ASCII and control bytes, quotes, "#", "%", a leading "." or
    // "~", an empty name, two slots without a name section, and the same
    // name in two slots; slot 30 ends with a note-on, its note-off and a
    // note-on of velocity 0.
    static Bank makeAwkwardBank();

    SimulatedPreset getPreset(int memorySlot) const;

    // Faults: the answer of a slot sent twice, or without its end marker;
    // no ready message after an upload.
    void duplicateAnswerOf(int memorySlot);
    void withholdEndMarkerOf(int memorySlot);
    void setSendsReady(bool sends);

    std::vector<SimulatedMidiDevice::Outgoing> respond(const juce::MidiMessage& message);

private:
    enum class Mode
    {
        idle,
        matrix,     // after the simulate-matrix message: a request or uploaded data follow
        collecting, // uploaded data, up to the end marker
        naming      // the name section and the store command of an upload
    };

    std::vector<SimulatedMidiDevice::Outgoing> answer(int memorySlot) const;
    std::vector<SimulatedMidiDevice::Outgoing> collect(const juce::MidiMessage& message);
    void name(const juce::MidiMessage& message);

    mutable std::mutex mutex;
    Bank presets;
    std::set<int> duplicated;
    std::set<int> withoutEndMarker;
    bool sendsReady = true;

    Mode mode = Mode::idle;
    int group = 0;
    std::vector<juce::MidiMessage> uploaded;
    std::optional<std::string> uploadedName;
};
} // namespace simulator
