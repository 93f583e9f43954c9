#include "midiUsb/JuceMidiOutputPort.h"

namespace midiUsb
{
std::unique_ptr<JuceMidiOutputPort> JuceMidiOutputPort::open(const juce::String& identifier)
{
    auto output = juce::MidiOutput::openDevice(identifier);
    if (output == nullptr)
        return nullptr;
    return std::make_unique<JuceMidiOutputPort>(Key{}, std::move(output));
}

JuceMidiOutputPort::JuceMidiOutputPort(Key, std::unique_ptr<juce::MidiOutput> outputToUse)
    : output(std::move(outputToUse))
{
    // The framework's high priority, its successor of the old priority 9.
    output->startBackgroundThread();
}

JuceMidiOutputPort::~JuceMidiOutputPort()
{
    output->stopBackgroundThread();
}

juce::String JuceMidiOutputPort::getName() const
{
    return output->getName();
}

juce::String JuceMidiOutputPort::getIdentifier() const
{
    return output->getIdentifier();
}

void JuceMidiOutputPort::sendMessageNow(const juce::MidiMessage& message)
{
    const std::lock_guard lock(sendMutex);
    output->sendMessageNow(message);
}
} // namespace midiUsb
