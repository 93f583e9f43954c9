#pragma once

#include "SimulatedMidiDevice.h"

#include <atomic>
#include <memory>

namespace simulator
{
// The instrument's Ormel sound engine on the virtual bus: its port pair
// "Tavelo ormel". It records everything the system sends to it and, when
// asked to, echoes each message back. The preset dialogue plugs in as a
// responder of its own.
class SimulatedSoundEngine
{
public:
    static constexpr const char* portName = "Tavelo ormel";

    // Answers one message received from the system; may be called on the
    // engine's own thread only.
    using Responder = SimulatedMidiDevice::Handler;

    explicit SimulatedSoundEngine(VirtualMidiBus& bus);
    ~SimulatedSoundEngine();

    void connect();
    void disconnect();

    // Sends every received message back, whole and in order.
    void setEcho(bool shouldEcho);
    // Replaces the echo by a dialogue of its own; empty restores the echo.
    void setResponder(Responder responder);

    // Sends a message of the engine's own accord.
    void send(const juce::MidiMessage& message);

    std::vector<juce::MidiMessage> getReceived() const;
    bool waitUntilIdle(std::chrono::milliseconds timeout) const;

private:
    std::vector<SimulatedMidiDevice::Outgoing> respond(const juce::MidiMessage& message);

    std::atomic<bool> echo{false};
    mutable std::mutex responderMutex;
    Responder responder;
    // Last, so that its thread stops before what it calls goes.
    std::unique_ptr<SimulatedMidiDevice> ports;
};
} // namespace simulator
