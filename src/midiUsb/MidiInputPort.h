#pragma once

#include <juce_core/juce_core.h>

namespace midiUsb
{
// An open MIDI input. It delivers nothing until started; once stop() has
// returned, or the port is destroyed, its receiver is not called again.
class MidiInputPort
{
public:
    virtual ~MidiInputPort() = default;

    virtual juce::String getName() const = 0;
    virtual juce::String getIdentifier() const = 0;

    virtual void start() = 0;
    virtual void stop() = 0;
};
} // namespace midiUsb
