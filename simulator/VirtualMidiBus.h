#pragma once

#include "midiUsb/MidiSystem.h"

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace simulator
{
// An in-process MIDI service for tests, in the platform's place behind the
// seam. Ports come and go one by one; each has a peer end: what a peer sends
// into an input reaches the system's open inputs on the bus's receive thread
// ("Virtual MIDI rx"), whole, in order, time-stamped like the framework does;
// what the system sends on an output reaches the output's peer at once, on
// the sender's thread.
class VirtualMidiBus final : public midiUsb::MidiSystem
{
public:
    using PeerReceiver = std::function<void(const juce::MidiMessage&)>;

    VirtualMidiBus();
    ~VirtualMidiBus() override;

    // Return the new port's identifier, never reused on this bus.
    juce::String addInput(const juce::String& name);
    juce::String addOutput(const juce::String& name, PeerReceiver peer);
    // The port leaves the lists; ports opened on it stay alive but carry
    // nothing any more. Once this returns, its peer is not called.
    void remove(const juce::String& identifier);
    // While set, opening the port fails.
    void setOpenFailure(const juce::String& identifier, bool fails);
    int countOpenPorts(const juce::String& identifier) const;

    // The peer end of an input. False when the input is not on the bus.
    bool sendFromPeer(const juce::String& inputIdentifier, const juce::MidiMessage& message);
    // Blocks until everything the peers sent so far has been delivered.
    bool waitUntilDelivered(std::chrono::milliseconds timeout) const;

    // What the system sent on the bus's outputs, in order.
    std::vector<juce::MidiMessage> getSent() const;
    void clearSent();

    std::vector<juce::MidiDeviceInfo> getInputs() const override;
    std::vector<juce::MidiDeviceInfo> getOutputs() const override;
    std::unique_ptr<midiUsb::MidiInputPort> openInput(const juce::String& identifier,
                                                      midiUsb::MidiInputReceiver& receiver) override;
    std::unique_ptr<midiUsb::MidiOutputPort> openOutput(const juce::String& identifier) override;

    struct State;

private:
    std::shared_ptr<State> state;
};
} // namespace simulator
