#include "InstrumentLink.h"

namespace simulator
{
namespace
{
constexpr const char* portName = "Tavelo play";

juce::String findIdentifier(const std::vector<juce::MidiDeviceInfo>& devices)
{
    for (const auto& device : devices)
        if (device.name == portName)
            return device.identifier;
    return {};
}
} // namespace

InstrumentLink::InstrumentLink(midiUsb::MidiSystem& system, midiUsb::SysExMidiHandler& handlerToUse)
    : handler(handlerToUse)
    , answerHandler(handler.getRequestQueue(),
                    [this](const juce::MidiMessage& message)
                    {
                        if (onMessageHandled)
                            onMessageHandled(message);
                    })
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
    self.reset();
}

void InstrumentLink::midiMessageReceived(midiUsb::MidiInputPort&, const juce::MidiMessage& message)
{
    if (juce::MessageManager::getInstance()->isThisTheMessageThread())
        ++messagesOnMessageThread;
    juce::MessageManager::callAsync(
        [weak = std::weak_ptr<InstrumentLink*>(self), message]
        {
            if (const auto link = weak.lock())
                (*link)->handleMessage(message);
        });
}

void InstrumentLink::handleMessage(const juce::MidiMessage& message)
{
    answerHandler.handle(message);
}
} // namespace simulator
