#pragma once

#include "midiUsb/MessageRequestQueue.h"
#include "midiUsb/MidiOutputPort.h"

#include <juce_events/juce_events.h>

namespace midiUsb
{
// Sends the queued SysEx requests to the instrument one at a time, on a 5 ms
// timer of the message thread that runs only while a request waits: it
// starts when a request is queued and stops on the first tick that finds
// the queue empty.
class SysExMidiHandler : public juce::Timer
{
public:
    static constexpr int tickPeriodMs = 5;

    SysExMidiHandler();
    ~SysExMidiHandler() override;

    // Any thread. Never sends by itself: the next tick does.
    void addMessageToQueue(
        juce::MidiMessage const& message, std::function<void()> const& onTimeout,
        std::function<void(juce::String const&)> const& onSuccess,
        std::function<void()> const& onEmptyResult = [] {},
        std::function<void()> const& onMalformedResult = {});

    // Message thread. The requests go out on this output, at once; nullptr
    // means that no output is open. The output must outlive its use here.
    void setMidiOutput(MidiOutputPort* output);

    // Message thread. The output the requests went out on is let go: none is
    // open from now on, and the request in flight on it ends at once as its
    // time-out would, so that the requests behind it, which may be meant for
    // the next instrument, need not wait for an answer that cannot come.
    void releaseMidiOutput();

    MessageRequestQueue& getRequestQueue() { return requestQueue; }

    void timerCallback() override;

private:
    MessageRequestQueue requestQueue;
};
} // namespace midiUsb
