#pragma once

#include "midiUsb/MidiSystem.h"

#include <juce_audio_devices/juce_audio_devices.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

// A snapshot of the MIDI ports, listed on the message thread for a thread
// that waits for it. Shared with the posted listing, which may run after
// the waiter gave up and went away.
class MidiAvailableDevices : public std::enable_shared_from_this<MidiAvailableDevices>
{
public:
    static constexpr int waitLimitMs = 1000;

    // Not on the message thread: posts the listing there and waits for it
    // at most `limit`, less when `stopRequested` turns true (the message
    // thread may itself be waiting for the caller to stop). False when the
    // lists stay empty for either reason.
    bool
    waitForFillFromMessageThread(std::shared_ptr<midiUsb::MidiSystem> system,
                                 const std::function<bool()>& stopRequested = {},
                                 std::chrono::milliseconds limit = std::chrono::milliseconds(waitLimitMs));

    juce::Array<juce::MidiDeviceInfo> getInputs() const;
    juce::Array<juce::MidiDeviceInfo> getOutputs() const;

    std::string toString() const;

    static std::string getStrFromMidiDeviceInfos(std::string_view format,
                                                 const juce::Array<juce::MidiDeviceInfo>& devices);

private:
    void fill(const midiUsb::MidiSystem& system);

    mutable std::mutex mutex;
    std::condition_variable filledCondition;
    juce::Array<juce::MidiDeviceInfo> inputs;
    juce::Array<juce::MidiDeviceInfo> outputs;
    bool filled = false;
};
