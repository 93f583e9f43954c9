#include "PresetDialogue.h"

#include <cstring>

namespace simulator
{
namespace
{
using Outgoing = SimulatedMidiDevice::Outgoing;

const juce::MidiMessage ready{0xBF, 0x6D, 0x05};
const juce::MidiMessage nameBegin{0xBF, 0x38, 0x00};
const juce::MidiMessage nameEnd{0xBF, 0x38, 0x7F};
const juce::MidiMessage simulateMatrix{0xBF, 0x74, 0x2A};
const juce::MidiMessage dataBegin{0xBF, 0x6E, 0x78};
const juce::MidiMessage dataEnd{0xBF, 0x6E, 0x7C};

bool same(const juce::MidiMessage& a, const juce::MidiMessage& b)
{
    return a.getRawDataSize() == b.getRawDataSize() &&
           std::memcmp(a.getRawData(), b.getRawData(), static_cast<size_t>(a.getRawDataSize())) == 0;
}

int statusOf(const juce::MidiMessage& message)
{
    return message.getRawDataSize() > 0 ? message.getRawData()[0] : 0;
}

int byteOf(const juce::MidiMessage& message, int index)
{
    return message.getRawDataSize() > index ? message.getRawData()[index] : -1;
}

// Never a message of the dialogue itself: channels 1 to 3 and SysEx.
std::vector<juce::MidiMessage> typicalData(int slot)
{
    const std::uint8_t sysEx[] = {0x7D, static_cast<std::uint8_t>(slot), 0x11, 0x22};
    std::vector<juce::MidiMessage> data{juce::MidiMessage::controllerEvent(1, 7, slot),
                                        juce::MidiMessage::programChange(2, slot),
                                        juce::MidiMessage::pitchWheel(3, slot * 100),
                                        juce::MidiMessage::createSysExMessage(sysEx, sizeof(sysEx))};
    for (int i = 0; i < slot % 4; ++i)
        data.push_back(juce::MidiMessage::controllerEvent(1, 20 + i, (slot + i) & 0x7F));
    return data;
}
} // namespace

PresetDialogue::PresetDialogue(Bank bank)
    : presets(std::move(bank))
{
}

PresetDialogue::Bank PresetDialogue::makeAwkwardBank()
{
    Bank bank;
    for (int slot = 0; slot < presetCount; ++slot)
        bank[static_cast<size_t>(slot)] = {"Preset " + std::to_string(slot), typicalData(slot)};

    // clang-format off
    const std::vector<std::pair<int, std::optional<std::string>>> awkward{
        {0, "Lead/Pad"}, {1, ".."}, {2, "../../escape"}, {3, "a,b"}, {4, std::string("nul\0byte", 8)},
        {5, "Caf\xE9"}, {6, "Strings"}, {7, std::nullopt}, {8, std::nullopt}, {9, "Empty"}, {10, "\"quoted\""},
        {11, "#hash 100%"}, {12, ".hidden"}, {13, "back\\slash"}, {14, "tab\there"}, {15, ""}, {16, "~"},
        {17, "~user"}, {19, "Strings"}, {20, "STRINGS"}, {21, "Pad#1-2"}, {22, "del\x7F"}, {127, "Last"}};
    // clang-format on
    for (const auto& [slot, name] : awkward)
        bank[static_cast<size_t>(slot)].name = name;
    // Notes whose order a reader may change: a note-on, its note-off and a
    // note-on of velocity 0.
    auto& notes = bank[30].data;
    notes.push_back(juce::MidiMessage::noteOn(1, 60, static_cast<juce::uint8>(100)));
    notes.push_back(juce::MidiMessage::noteOff(1, 60, static_cast<juce::uint8>(64)));
    notes.push_back(juce::MidiMessage::noteOn(1, 62, static_cast<juce::uint8>(0)));
    return bank;
}

SimulatedPreset PresetDialogue::getPreset(int memorySlot) const
{
    const std::lock_guard lock(mutex);
    return presets.at(static_cast<size_t>(memorySlot));
}

void PresetDialogue::duplicateAnswerOf(int memorySlot)
{
    const std::lock_guard lock(mutex);
    duplicated.insert(memorySlot);
}

void PresetDialogue::withholdEndMarkerOf(int memorySlot)
{
    const std::lock_guard lock(mutex);
    withoutEndMarker.insert(memorySlot);
}

void PresetDialogue::setSendsReady(bool sends)
{
    const std::lock_guard lock(mutex);
    sendsReady = sends;
}

std::vector<Outgoing> PresetDialogue::respond(const juce::MidiMessage& message)
{
    const std::lock_guard lock(mutex);
    if (statusOf(message) == 0xCF)
    {
        group = (byteOf(message, 1) >> 4) & 7;
        return {};
    }
    if (same(message, simulateMatrix))
    {
        mode = Mode::matrix;
        uploaded.clear();
        return {};
    }
    switch (mode)
    {
    case Mode::matrix:
    {
        const auto request = byteOf(message, 2) - 101;
        if (statusOf(message) == 0xBF && byteOf(message, 1) == 0x6E && request >= 0 && request < 16)
        {
            mode = Mode::idle;
            return answer(group * 16 + request);
        }
        mode = Mode::collecting;
        return collect(message);
    }
    case Mode::collecting:
        return collect(message);
    case Mode::naming:
        name(message);
        return {};
    case Mode::idle:
        break;
    }
    return {};
}

std::vector<Outgoing> PresetDialogue::answer(int memorySlot) const
{
    const auto& preset = presets[static_cast<size_t>(memorySlot)];
    std::vector<juce::MidiMessage> messages;
    if (preset.name)
    {
        messages.push_back(nameBegin);
        // As the engine holds them: bytes above 0x7F too.
        for (const auto character : *preset.name)
            messages.emplace_back(0xDF, static_cast<std::uint8_t>(character));
        messages.push_back(nameEnd);
    }
    messages.push_back(dataBegin);
    messages.insert(messages.end(), preset.data.begin(), preset.data.end());
    if (withoutEndMarker.count(memorySlot) == 0)
        messages.push_back(dataEnd);

    const int copies = duplicated.count(memorySlot) != 0 ? 2 : 1;
    std::vector<Outgoing> outgoing;
    for (int copy = 0; copy < copies; ++copy)
        for (const auto& message : messages)
            outgoing.push_back({std::chrono::milliseconds(0), message});
    return outgoing;
}

std::vector<Outgoing> PresetDialogue::collect(const juce::MidiMessage& message)
{
    if (!same(message, dataEnd))
    {
        uploaded.push_back(message);
        return {};
    }
    mode = Mode::naming;
    uploadedName.reset();
    if (!sendsReady)
        return {};
    return {{std::chrono::milliseconds(0), ready}};
}

void PresetDialogue::name(const juce::MidiMessage& message)
{
    if (same(message, nameBegin))
        uploadedName = std::string();
    else if ((statusOf(message) & 0xF0) == 0xD0 && uploadedName)
        uploadedName->push_back(static_cast<char>(byteOf(message, 1)));
    else if (statusOf(message) == 0xCE)
    {
        presets[static_cast<size_t>(byteOf(message, 1) & 0x7F)] = {uploadedName, uploaded};
        mode = Mode::idle;
    }
}
} // namespace simulator
