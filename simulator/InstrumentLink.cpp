#include "InstrumentLink.h"

namespace simulator
{
namespace
{
juce::String findIdentifier(const std::vector<juce::MidiDeviceInfo>& devices)
{
    for (const auto& device : devices)
        if (device.name == "Tavelo play")
            return device.identifier;
    return {};
}
} // namespace

InstrumentLink::InstrumentLink(midiUsb::MidiSystem& system, midiUsb::SysExMidiHandler& handlerToUse)
    : handler(handlerToUse)
    , answerHandler(handler.getRequestQueue(), [](const juce::MidiMessage&) {})
    , self(std::make_shared<InstrumentLink*>(this))
{
    if (const auto identifier = findIdentifier(system.getInputs()); identifier.isNotEmpty())
        input = system.openInput(identifier, *this);
    if (const auto identifier = findIdentifier(system.getOutputs()); identifier.isNotEmpty())
        output = system.openOutput(identifier);
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
