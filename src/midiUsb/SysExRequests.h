#pragma once

#include "midiUsb/SysExCommand.h"

#include <juce_audio_basics/juce_audio_basics.h>

namespace midiUsb
{
// Every message the application sends to the instrument's own MIDI output,
// complete from F0 to F7.
class SysExRequests
{
public:
    SysExRequests() = delete;

    // F0 00 6B 2D 0C type F7
    static juce::MidiMessage infoRequest(InfoRequestType type);

    // F0 00 6B 2D 06 01 id F7, F0 00 6B 2D 06 04 01 F7 or
    // F0 00 6B 2D 06 04 02 key F7. The test id or key (ignored for the touch
    // calibration) is kept to 7 bits so that it cannot end the message.
    static juce::MidiMessage dataRequest(DataRequestType type, int testIdOrKey = 0);

    static juce::MidiMessage testLogRequest(int testId)
    {
        return dataRequest(DataRequestType::testLog, testId);
    }
    static juce::MidiMessage touchCalibrationRequest()
    {
        return dataRequest(DataRequestType::touchCalibration);
    }
    static juce::MidiMessage keyPositionCalibrationRequest(int key)
    {
        return dataRequest(DataRequestType::keyPositionCalibration, key);
    }

    // Sent straight to the output; no answer is awaited.
    static juce::MidiMessage firmwareUpdateMode();    // F0 00 6B 2D 08 F7
    static juce::MidiMessage soundEngineUpdateMode(); // F0 00 6B 2D 08 01 00 F7
    static juce::MidiMessage configureFirst();        // F0 00 6B 2D 0E 0F 00 01 01 F7
    static juce::MidiMessage configureSecond();       // F0 00 6B 2D 0E 0E 00 01 01 F7
    static juce::MidiMessage factorySetup();          // F0 00 6B 2D 1C 20 0A 7E 04 37 F7
};
} // namespace midiUsb
