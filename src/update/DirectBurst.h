#pragma once

#include "midiUsb/MidiOutputPort.h"

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

// Messages sent straight to the instrument's own output, not through the
// request queue, with pauses between them. The output is held for the whole
// burst, pauses included, so the MIDI side dropping it meanwhile cannot
// destroy it under the sender.
class DirectBurst
{
public:
    struct Step
    {
        juce::MidiMessage message;
        std::chrono::milliseconds pauseAfter{0};
    };
    enum class Outcome
    {
        sent,
        noOutput,
        stopped
    };
    // Interruptible; false when a stop ended it.
    using Pause = std::function<bool(std::chrono::milliseconds)>;

    DirectBurst() = delete;

    static Outcome send(const std::weak_ptr<midiUsb::MidiOutputPort>& output, const std::vector<Step>& steps,
                        const Pause& pause);

    static std::vector<Step> configurePair(std::chrono::milliseconds gap);
    static std::vector<Step> firmwareUpdateMode();
    // The configure pair, then the sound engine's update mode.
    static std::vector<Step> soundEngineUpdateMode(std::chrono::milliseconds gap);
    static std::vector<Step> factorySetup();
};
