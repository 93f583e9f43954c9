#pragma once

#include "midiUsb/MidiOutputPort.h"

#include <juce_audio_devices/juce_audio_devices.h>

#include <memory>
#include <mutex>

namespace midiUsb
{
// A framework MIDI output behind the seam. Its background sending thread
// runs while the port is open; the system's own sends go out at once, one
// whole message at a time.
class JuceMidiOutputPort final : public MidiOutputPort
{
public:
    // Empty when the framework cannot open the output.
    static std::unique_ptr<JuceMidiOutputPort> open(const juce::String& identifier);

private:
    // Only open() makes ports.
    struct Key
    {
    };

public:
    JuceMidiOutputPort(Key, std::unique_ptr<juce::MidiOutput> output);
    ~JuceMidiOutputPort() override;

    juce::String getName() const override;
    juce::String getIdentifier() const override;

    void sendMessageNow(const juce::MidiMessage& message) override;

private:
    std::mutex sendMutex;
    const std::unique_ptr<juce::MidiOutput> output;
};
} // namespace midiUsb
