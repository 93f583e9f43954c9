#include "VirtualMidiBus.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace simulator
{
namespace
{
// One opening of an input. The receive thread holds callbackMutex while it
// calls the receiver, so stop() waits for a callback under way; recursive,
// so that a receiver may stop its own port.
struct Listener
{
    Listener(midiUsb::MidiInputReceiver& receiverToCall, midiUsb::MidiInputPort& portToReport)
        : receiver(receiverToCall)
        , port(portToReport)
    {
    }

    midiUsb::MidiInputReceiver& receiver;
    midiUsb::MidiInputPort& port;
    std::recursive_mutex callbackMutex;
    bool started = false;
};

// An input or an output. The bus's mutex guards all but the peer and
// `present`, which sendMutex guards: held for the whole of each send, it
// keeps messages whole and one at a time.
struct Endpoint
{
    juce::MidiDeviceInfo info;
    bool isInput;
    VirtualMidiBus::PeerReceiver peer;
    std::mutex sendMutex;
    bool present = true;
    bool failOpen = false;
    int openings = 0;
    std::vector<std::weak_ptr<Listener>> listeners;
};
using EndpointPtr = std::shared_ptr<Endpoint>;
} // namespace

struct VirtualMidiBus::State
{
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::vector<EndpointPtr> endpoints;
    std::deque<std::pair<EndpointPtr, juce::MidiMessage>> pending;
    std::vector<juce::MidiMessage> sent;
    bool delivering = false;
    bool stopping = false;
    int nextIdentifier = 1;
    std::thread receiveThread;

    EndpointPtr find(const juce::String& identifier) const
    {
        const auto found =
            std::find_if(endpoints.begin(), endpoints.end(),
                         [&identifier](const auto& e) { return e->info.identifier == identifier; });
        return found == endpoints.end() ? nullptr : *found;
    }

    EndpointPtr findToOpen(const juce::String& identifier, bool input) const
    {
        const std::lock_guard lock(mutex);
        auto endpoint = find(identifier);
        return endpoint != nullptr && endpoint->isInput == input && !endpoint->failOpen ? endpoint : nullptr;
    }

    std::vector<juce::MidiDeviceInfo> list(bool inputs) const
    {
        const std::lock_guard lock(mutex);
        std::vector<juce::MidiDeviceInfo> infos;
        for (const auto& endpoint : endpoints)
            if (endpoint->isInput == inputs)
                infos.push_back(endpoint->info);
        return infos;
    }

    juce::String add(const juce::String& name, bool isInput, PeerReceiver peer)
    {
        const std::lock_guard lock(mutex);
        auto endpoint = std::make_shared<Endpoint>();
        endpoint->info = {name, (isInput ? "virtual-in-" : "virtual-out-") + juce::String(nextIdentifier++)};
        endpoint->isInput = isInput;
        endpoint->peer = std::move(peer);
        endpoints.push_back(endpoint);
        return endpoint->info.identifier;
    }

    void runReceiveThread()
    {
        juce::Thread::setCurrentThreadName("Virtual MIDI rx");
        std::unique_lock lock(mutex);
        for (;;)
        {
            changed.wait(lock, [this] { return stopping || !pending.empty(); });
            if (stopping)
                return;
            const auto [endpoint, message] = std::move(pending.front());
            pending.pop_front();
            std::vector<std::shared_ptr<Listener>> listeners;
            for (const auto& weak : endpoint->listeners)
                if (auto listener = weak.lock())
                    listeners.push_back(std::move(listener));
            delivering = true;
            lock.unlock();
            for (const auto& listener : listeners)
            {
                const std::lock_guard callbackLock(listener->callbackMutex);
                if (listener->started)
                    listener->receiver.midiMessageReceived(listener->port, message);
            }
            lock.lock();
            delivering = false;
            changed.notify_all();
        }
    }
};

namespace
{
// What both kinds of port share: the endpoint and its count of openings.
template <typename Interface>
class VirtualPort : public Interface
{
public:
    VirtualPort(std::shared_ptr<VirtualMidiBus::State> stateToUse, EndpointPtr endpointToUse)
        : state(std::move(stateToUse))
        , endpoint(std::move(endpointToUse))
    {
        const std::lock_guard lock(state->mutex);
        ++endpoint->openings;
    }

    ~VirtualPort() override
    {
        const std::lock_guard lock(state->mutex);
        --endpoint->openings;
    }

    juce::String getName() const override { return endpoint->info.name; }
    juce::String getIdentifier() const override { return endpoint->info.identifier; }

protected:
    const std::shared_ptr<VirtualMidiBus::State> state;
    const EndpointPtr endpoint;
};

class VirtualMidiInputPort final : public VirtualPort<midiUsb::MidiInputPort>
{
public:
    VirtualMidiInputPort(std::shared_ptr<VirtualMidiBus::State> stateToUse, EndpointPtr endpointToUse,
                         midiUsb::MidiInputReceiver& receiver)
        : VirtualPort(std::move(stateToUse), std::move(endpointToUse))
        , listener(std::make_shared<Listener>(receiver, *this))
    {
        const std::lock_guard lock(state->mutex);
        auto& listeners = endpoint->listeners;
        listeners.erase(
            std::remove_if(listeners.begin(), listeners.end(), [](auto& l) { return l.expired(); }),
            listeners.end());
        listeners.push_back(listener);
    }

    // Stopped, its listener is skipped by a delivery under way and expires with it.
    ~VirtualMidiInputPort() override { stop(); }

    void start() override { setStarted(true); }
    void stop() override { setStarted(false); }

private:
    void setStarted(bool started)
    {
        const std::lock_guard lock(listener->callbackMutex);
        listener->started = started;
    }

    const std::shared_ptr<Listener> listener;
};

class VirtualMidiOutputPort final : public VirtualPort<midiUsb::MidiOutputPort>
{
public:
    using VirtualPort::VirtualPort;

    void sendMessageNow(const juce::MidiMessage& message) override
    {
        const std::lock_guard lock(endpoint->sendMutex);
        // A vanished port swallows what is sent to it, as a real one does.
        if (!endpoint->present)
            return;
        {
            const std::lock_guard stateLock(state->mutex);
            state->sent.push_back(message);
        }
        if (endpoint->peer)
            endpoint->peer(message);
    }
};
} // namespace

VirtualMidiBus::VirtualMidiBus()
    : state(std::make_shared<State>())
{
    state->receiveThread = std::thread([this] { state->runReceiveThread(); });
}

VirtualMidiBus::~VirtualMidiBus()
{
    {
        const std::lock_guard lock(state->mutex);
        state->stopping = true;
    }
    state->changed.notify_all();
    state->receiveThread.join();
}

juce::String VirtualMidiBus::addInput(const juce::String& name)
{
    return state->add(name, true, {});
}

juce::String VirtualMidiBus::addOutput(const juce::String& name, PeerReceiver peer)
{
    return state->add(name, false, std::move(peer));
}

void VirtualMidiBus::remove(const juce::String& identifier)
{
    EndpointPtr endpoint;
    {
        const std::lock_guard lock(state->mutex);
        endpoint = state->find(identifier);
        if (endpoint == nullptr)
            return;
        auto& endpoints = state->endpoints;
        endpoints.erase(std::find(endpoints.begin(), endpoints.end(), endpoint));
        // What its peer sent and is not delivered yet is lost with it.
        state->pending.erase(std::remove_if(state->pending.begin(), state->pending.end(),
                                            [&endpoint](const auto& item) { return item.first == endpoint; }),
                             state->pending.end());
    }
    PeerReceiver peer; // released outside the locks
    const std::lock_guard lock(endpoint->sendMutex);
    endpoint->present = false;
    peer.swap(endpoint->peer);
}

void VirtualMidiBus::setOpenFailure(const juce::String& identifier, bool fails)
{
    const std::lock_guard lock(state->mutex);
    if (auto endpoint = state->find(identifier))
        endpoint->failOpen = fails;
}

int VirtualMidiBus::countOpenPorts(const juce::String& identifier) const
{
    const std::lock_guard lock(state->mutex);
    const auto endpoint = state->find(identifier);
    return endpoint == nullptr ? 0 : endpoint->openings;
}

bool VirtualMidiBus::sendFromPeer(const juce::String& inputIdentifier, const juce::MidiMessage& message)
{
    auto stamped = message;
    // The framework stamps incoming messages with its millisecond counter, in seconds.
    stamped.setTimeStamp(juce::Time::getMillisecondCounterHiRes() * 0.001);
    {
        const std::lock_guard lock(state->mutex);
        auto endpoint = state->find(inputIdentifier);
        if (endpoint == nullptr || !endpoint->isInput)
            return false;
        state->pending.emplace_back(std::move(endpoint), stamped);
    }
    state->changed.notify_all();
    return true;
}

bool VirtualMidiBus::waitUntilDelivered(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(state->mutex);
    return state->changed.wait_for(lock, timeout,
                                   [this] { return state->pending.empty() && !state->delivering; });
}

std::vector<juce::MidiMessage> VirtualMidiBus::getSent() const
{
    const std::lock_guard lock(state->mutex);
    return state->sent;
}

void VirtualMidiBus::clearSent()
{
    const std::lock_guard lock(state->mutex);
    state->sent.clear();
}

std::vector<juce::MidiDeviceInfo> VirtualMidiBus::getInputs() const
{
    return state->list(true);
}

std::vector<juce::MidiDeviceInfo> VirtualMidiBus::getOutputs() const
{
    return state->list(false);
}

std::unique_ptr<midiUsb::MidiInputPort> VirtualMidiBus::openInput(const juce::String& identifier,
                                                                  midiUsb::MidiInputReceiver& receiver)
{
    auto endpoint = state->findToOpen(identifier, true);
    return endpoint ? std::make_unique<VirtualMidiInputPort>(state, std::move(endpoint), receiver) : nullptr;
}

std::unique_ptr<midiUsb::MidiOutputPort> VirtualMidiBus::openOutput(const juce::String& identifier)
{
    auto endpoint = state->findToOpen(identifier, false);
    return endpoint ? std::make_unique<VirtualMidiOutputPort>(state, std::move(endpoint)) : nullptr;
}
} // namespace simulator
