#include "SimulatedSoundEngine.h"

namespace simulator
{
SimulatedSoundEngine::SimulatedSoundEngine(VirtualMidiBus& bus)
    : ports(std::make_unique<SimulatedMidiDevice>(
          bus, portName, [this](const juce::MidiMessage& message) { return respond(message); }))
{
}

SimulatedSoundEngine::~SimulatedSoundEngine()
{
    ports.reset();
}

void SimulatedSoundEngine::connect()
{
    ports->connect();
}

void SimulatedSoundEngine::disconnect()
{
    ports->disconnect();
}

void SimulatedSoundEngine::setEcho(bool shouldEcho)
{
    echo = shouldEcho;
}

void SimulatedSoundEngine::setResponder(Responder newResponder)
{
    const std::lock_guard lock(responderMutex);
    responder = std::move(newResponder);
}

void SimulatedSoundEngine::send(const juce::MidiMessage& message)
{
    ports->send(message);
}

std::vector<juce::MidiMessage> SimulatedSoundEngine::getReceived() const
{
    return ports->getReceived();
}

bool SimulatedSoundEngine::waitUntilIdle(std::chrono::milliseconds timeout) const
{
    return ports->waitUntilIdle(timeout);
}

std::vector<SimulatedMidiDevice::Outgoing> SimulatedSoundEngine::respond(const juce::MidiMessage& message)
{
    Responder current;
    {
        const std::lock_guard lock(responderMutex);
        current = responder;
    }
    if (current)
        return current(message);
    if (echo)
        return {{std::chrono::milliseconds(0), message}};
    return {};
}
} // namespace simulator
