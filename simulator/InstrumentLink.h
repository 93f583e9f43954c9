#pragma once

#include "midiUsb/MidiSystem.h"
#include "midiUsb/SysExAnswerHandler.h"
#include "midiUsb/SysExMidiHandler.h"

#include <memory>

namespace simulator
{
// The system's end of the instrument's ports "Tavelo play", for tests and
// benchmarks: sends the handler's requests and parses the answers on the
// message thread as the device facade does. Lives on the message thread.
class InstrumentLink final : private midiUsb::MidiInputReceiver
{
public:
    InstrumentLink(midiUsb::MidiSystem& system, midiUsb::SysExMidiHandler& handler);
    ~InstrumentLink() override;

    bool isOpen() const { return input != nullptr && output != nullptr; }

private:
    void midiMessageReceived(midiUsb::MidiInputPort& source, const juce::MidiMessage& message) override;

    midiUsb::SysExMidiHandler& handler;
    midiUsb::SysExAnswerHandler answerHandler;
    std::unique_ptr<midiUsb::MidiInputPort> input;
    std::unique_ptr<midiUsb::MidiOutputPort> output;
    // Posted calls hold it weakly: those that run after the link is gone do nothing.
    std::shared_ptr<InstrumentLink*> self;
};
} // namespace simulator
