#pragma once

#include "midiUsb/MidiSystem.h"

namespace midiUsb
{
// The platform's MIDI ports through the framework (ALSA on Linux). Where the
// platform has no MIDI service at all (no ALSA sequencer), it lists no port
// and opens nothing, without the error line that ALSA would print on every
// listing.
class JuceMidiSystem final : public MidiSystem
{
public:
    std::vector<juce::MidiDeviceInfo> getInputs() const override;
    std::vector<juce::MidiDeviceInfo> getOutputs() const override;

    std::unique_ptr<MidiInputPort> openInput(const juce::String& identifier,
                                             MidiInputReceiver& receiver) override;
    std::unique_ptr<MidiOutputPort> openOutput(const juce::String& identifier) override;

    // Whether the platform's MIDI service can be reached; decided once.
    static bool isMidiServiceAvailable();
};
} // namespace midiUsb
