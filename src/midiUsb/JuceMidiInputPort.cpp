#include "midiUsb/JuceMidiInputPort.h"

namespace midiUsb
{
std::unique_ptr<JuceMidiInputPort> JuceMidiInputPort::open(const juce::String& identifier,
                                                           MidiInputReceiver& receiver)
{
    auto port = std::make_unique<JuceMidiInputPort>(Key{}, receiver);
    port->input = juce::MidiInput::openDevice(identifier, port.get());
    if (port->input == nullptr)
        return nullptr;
    return port;
}

JuceMidiInputPort::JuceMidiInputPort(Key, MidiInputReceiver& receiverToUse)
    : receiver(receiverToUse)
{
}

JuceMidiInputPort::~JuceMidiInputPort()
{
    stop();
    input.reset();
}

juce::String JuceMidiInputPort::getName() const
{
    return input->getName();
}

juce::String JuceMidiInputPort::getIdentifier() const
{
    return input->getIdentifier();
}

void JuceMidiInputPort::start()
{
    {
        const std::lock_guard lock(callbackMutex);
        running = true;
    }
    input->start();
}

void JuceMidiInputPort::stop()
{
    if (input != nullptr)
        input->stop();
    const std::lock_guard lock(callbackMutex);
    running = false;
}

void JuceMidiInputPort::handleIncomingMidiMessage(juce::MidiInput*, const juce::MidiMessage& message)
{
    const std::lock_guard lock(callbackMutex);
    if (running)
        receiver.midiMessageReceived(*this, message);
}
} // namespace midiUsb
