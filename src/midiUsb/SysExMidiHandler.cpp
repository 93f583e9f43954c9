#include "midiUsb/SysExMidiHandler.h"

namespace midiUsb
{
SysExMidiHandler::SysExMidiHandler()
{
    // juce::Timer may be started and stopped from any thread.
    requestQueue.setTickSwitch([this](bool run) { run ? startTimer(tickPeriodMs) : stopTimer(); });
}

SysExMidiHandler::~SysExMidiHandler()
{
    stopTimer();
}

void SysExMidiHandler::addMessageToQueue(juce::MidiMessage const& message,
                                         std::function<void()> const& onTimeout,
                                         std::function<void(juce::String const&)> const& onSuccess,
                                         std::function<void()> const& onEmptyResult,
                                         std::function<void()> const& onMalformedResult)
{
    requestQueue.add(message, onTimeout, onSuccess, onEmptyResult, onMalformedResult);
}

void SysExMidiHandler::setMidiOutput(MidiOutputPort* output)
{
    if (output == nullptr)
    {
        requestQueue.setSendFunction({});
        return;
    }
    requestQueue.setSendFunction([output](juce::MidiMessage const& message)
                                 { output->sendMessageNow(message); });
}

void SysExMidiHandler::releaseMidiOutput()
{
    requestQueue.setSendFunction({});
    requestQueue.endRequestInFlight();
}

void SysExMidiHandler::timerCallback()
{
    requestQueue.tick();
}
} // namespace midiUsb
