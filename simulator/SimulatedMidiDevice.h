#pragma once

#include "VirtualMidiBus.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace simulator
{
// One MIDI port pair of a simulated device on the virtual bus (an input and
// an output of the same name). It takes what the system sends, one message
// after the other, on a thread of its own, and sends back what its handler
// answers, each after the handler's delay.
class SimulatedMidiDevice
{
public:
    struct Outgoing
    {
        std::chrono::milliseconds delay;
        juce::MidiMessage message;
    };
    using Handler = std::function<std::vector<Outgoing>(const juce::MidiMessage& received)>;

    SimulatedMidiDevice(VirtualMidiBus& bus, const juce::String& portName, Handler handler);
    ~SimulatedMidiDevice();

    SimulatedMidiDevice(const SimulatedMidiDevice&) = delete;
    SimulatedMidiDevice& operator=(const SimulatedMidiDevice&) = delete;

    // Plug the ports in and out; a message being answered when the device
    // is unplugged is lost, as are those waiting.
    void connect();
    void disconnect();

    // Sends a message of the device's own accord.
    void send(const juce::MidiMessage& message);

    std::vector<juce::MidiMessage> getReceived() const;
    // True once every message received so far has been answered.
    bool waitUntilIdle(std::chrono::milliseconds timeout) const;

private:
    void receive(const juce::MidiMessage& message);
    void run();

    VirtualMidiBus& bus;
    const juce::String portName;
    const Handler handler;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    juce::String inputIdentifier;
    juce::String outputIdentifier;
    std::deque<juce::MidiMessage> waiting;
    std::vector<juce::MidiMessage> received;
    bool busy = false;
    bool stopping = false;
    // Counts connections, so that an answer due before an unplugging never
    // goes out after a new plugging-in.
    int connection = 0;
    std::thread worker;
};
} // namespace simulator
