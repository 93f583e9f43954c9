#pragma once

#include "midiUsb/MidiInputPort.h"
#include "midiUsb/MidiInputReceiver.h"

#include <juce_audio_devices/juce_audio_devices.h>

#include <memory>
#include <mutex>

namespace midiUsb
{
// A framework MIDI input behind the seam. Forwards every whole message to
// the receiver on the framework's MIDI receive thread.
class JuceMidiInputPort final : public MidiInputPort, private juce::MidiInputCallback
{
public:
    // Empty when the framework cannot open the input.
    static std::unique_ptr<JuceMidiInputPort> open(const juce::String& identifier,
                                                   MidiInputReceiver& receiver);

private:
    // Only open() makes ports.
    struct Key
    {
    };

public:
    JuceMidiInputPort(Key, MidiInputReceiver& receiver);
    ~JuceMidiInputPort() override;

    juce::String getName() const override;
    juce::String getIdentifier() const override;

    void start() override;
    void stop() override;

private:
    void handleIncomingMidiMessage(juce::MidiInput* source, const juce::MidiMessage& message) override;

    MidiInputReceiver& receiver;
    // Held while a message is forwarded, so that after stop() no callback
    // runs; recursive, so the receiver may stop the port itself.
    std::recursive_mutex callbackMutex;
    bool running = false;
    std::unique_ptr<juce::MidiInput> input;
};
} // namespace midiUsb
