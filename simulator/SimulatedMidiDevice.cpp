#include "SimulatedMidiDevice.h"

namespace simulator
{
SimulatedMidiDevice::SimulatedMidiDevice(VirtualMidiBus& busToUse, const juce::String& name,
                                         Handler handlerToUse)
    : bus(busToUse)
    , portName(name)
    , handler(std::move(handlerToUse))
{
    worker = std::thread([this] { run(); });
}

SimulatedMidiDevice::~SimulatedMidiDevice()
{
    disconnect();
    {
        const std::lock_guard lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    worker.join();
}

void SimulatedMidiDevice::connect()
{
    const std::lock_guard lock(mutex);
    if (inputIdentifier.isNotEmpty())
        return;
    ++connection;
    inputIdentifier = bus.addInput(portName);
    outputIdentifier =
        bus.addOutput(portName, [this](const juce::MidiMessage& message) { receive(message); });
}

void SimulatedMidiDevice::disconnect()
{
    juce::String input, output;
    {
        const std::lock_guard lock(mutex);
        input.swapWith(inputIdentifier);
        output.swapWith(outputIdentifier);
        waiting.clear();
        ++connection;
    }
    changed.notify_all();
    // Outside the lock: a send under way holds the bus's port while it calls receive().
    bus.remove(output);
    bus.remove(input);
}

void SimulatedMidiDevice::send(const juce::MidiMessage& message)
{
    // The bus only queues it, so sending under the lock is safe.
    const std::lock_guard lock(mutex);
    bus.sendFromPeer(inputIdentifier, message);
}

std::vector<juce::MidiMessage> SimulatedMidiDevice::getReceived() const
{
    const std::lock_guard lock(mutex);
    return received;
}

bool SimulatedMidiDevice::waitUntilIdle(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [this] { return waiting.empty() && !busy; });
}

void SimulatedMidiDevice::receive(const juce::MidiMessage& message)
{
    {
        const std::lock_guard lock(mutex);
        received.push_back(message);
        waiting.push_back(message);
    }
    changed.notify_all();
}

void SimulatedMidiDevice::run()
{
    // The system keeps 15 characters of a thread name and refuses longer ones.
    juce::Thread::setCurrentThreadName(("Sim " + portName).substring(0, 15));
    std::unique_lock lock(mutex);
    for (;;)
    {
        changed.wait(lock, [this] { return stopping || !waiting.empty(); });
        if (stopping)
            return;

        const auto message = waiting.front();
        waiting.pop_front();
        const auto connectionOfRequest = connection;
        busy = true;
        lock.unlock();
        const auto answers = handler(message);
        lock.lock();

        for (const auto& answer : answers)
        {
            const auto due = std::chrono::steady_clock::now() + answer.delay;
            changed.wait_until(lock, due, [&] { return stopping || connection != connectionOfRequest; });
            if (stopping || connection != connectionOfRequest)
                break;
            // Under the lock, so that no unplugging slips in between.
            bus.sendFromPeer(inputIdentifier, answer.message);
        }
        busy = false;
        changed.notify_all();
    }
}
} // namespace simulator
