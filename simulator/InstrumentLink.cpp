#include "InstrumentLink.h"

namespace simulator
{
InstrumentLink::InstrumentLink(midiUsb::MidiSystem& system, midiUsb::SysExMidiHandler& handlerToUse)
    : handler(handlerToUse)
    , answerHandler(handler.getRequestQueue(), [](const juce::MidiMessage&) {})
    , self(std::make_shared<InstrumentLink*>(this))
{
    for (const auto& device : system.getInputs())
        if (device.name == "Tavelo play" && input == nullptr)
            input = system.openInput(device.identifier, *this);
    for (const auto& device : system.getOutputs())
        if (device.name == "Tavelo play" && output == nullptr)
            output = system.openOutput(device.identifier);
    if (input != nullptr)
        input->start();
    handler.setMidiOutput(output.get());
}

InstrumentLink::~InstrumentLink()
{
    handler.setMidiOutput(nullptr);
    if (input != nullptr)
        input->stop();
}

void InstrumentLink::midiMessageReceived(midiUsb::MidiInputPort&, const juce::MidiMessage& message)
{
    juce::MessageManager::callAsync(
        [weak = std::weak_ptr<InstrumentLink*>(self), message]
        {
            if (const auto link = weak.lock())
                (*link)->answerHandler.handle(message);
        });
}
} // namespace simulator
