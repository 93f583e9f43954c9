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
struct OpenInput
{
    OpenInput(midiUsb::MidiInputReceiver& receiverToCall, midiUsb::MidiInputPort& portToReport)
        : receiver(receiverToCall)
        , port(portToReport)
    {
    }

    midiUsb::MidiInputReceiver& receiver;
    midiUsb::MidiInputPort& port;
    std::recursive_mutex callbackMutex;
    bool started = false;
};

struct InputEndpoint
{
    juce::MidiDeviceInfo info;
    // Guarded by the bus's mutex.
    std::vector<std::weak_ptr<OpenInput>> openings;
    bool failOpen = false;
    bool present = true;
};

struct OutputEndpoint
{
    juce::MidiDeviceInfo info;
    // Held for the whole of each send: whole messages, one at a time.
    std::mutex sendMutex;
    VirtualMidiBus::PeerReceiver peer;
    bool present = true;
    // Guarded by the bus's mutex.
    bool failOpen = false;
    int openings = 0;
};

struct PendingMessage
{
    std::shared_ptr<InputEndpoint> endpoint;
    juce::MidiMessage message;
};
} // namespace

struct VirtualMidiBus::State
{
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::vector<std::shared_ptr<InputEndpoint>> inputs;
    std::vector<std::shared_ptr<OutputEndpoint>> outputs;
    std::deque<PendingMessage> pending;
    bool delivering = false;
    bool stopping = false;
    int nextIdentifier = 1;

    mutable std::mutex sentMutex;
    std::vector<juce::MidiMessage> sent;

    std::thread receiveThread;
};

namespace
{
class VirtualMidiInputPort final : public midiUsb::MidiInputPort
{
public:
    VirtualMidiInputPort(std::shared_ptr<VirtualMidiBus::State> stateToUse,
                         std::shared_ptr<InputEndpoint> endpointToUse, midiUsb::MidiInputReceiver& receiver)
        : state(std::move(stateToUse))
        , endpoint(std::move(endpointToUse))
        , opening(std::make_shared<OpenInput>(receiver, *this))
    {
        const std::lock_guard lock(state->mutex);
        endpoint->openings.push_back(opening);
    }

    ~VirtualMidiInputPort() override
    {
        {
            const std::lock_guard lock(opening->callbackMutex);
            opening->started = false;
        }
        const std::lock_guard lock(state->mutex);
        auto& openings = endpoint->openings;
        openings.erase(std::remove_if(openings.begin(), openings.end(),
                                      [this](const auto& weak) { return weak.lock() == opening; }),
                       openings.end());
    }

    juce::String getName() const override { return endpoint->info.name; }
    juce::String getIdentifier() const override { return endpoint->info.identifier; }

    void start() override
    {
        const std::lock_guard lock(opening->callbackMutex);
        opening->started = true;
    }

    void stop() override
    {
        const std::lock_guard lock(opening->callbackMutex);
        opening->started = false;
    }

private:
    const std::shared_ptr<VirtualMidiBus::State> state;
    const std::shared_ptr<InputEndpoint> endpoint;
    const std::shared_ptr<OpenInput> opening;
};

class VirtualMidiOutputPort final : public midiUsb::MidiOutputPort
{
public:
    VirtualMidiOutputPort(std::shared_ptr<VirtualMidiBus::State> stateToUse,
                          std::shared_ptr<OutputEndpoint> endpointToUse)
        : state(std::move(stateToUse))
        , endpoint(std::move(endpointToUse))
    {
    }

    ~VirtualMidiOutputPort() override
    {
        const std::lock_guard lock(state->mutex);
        --endpoint->openings;
    }

    juce::String getName() const override { return endpoint->info.name; }
    juce::String getIdentifier() const override { return endpoint->info.identifier; }

    void sendMessageNow(const juce::MidiMessage& message) override
    {
        const std::lock_guard lock(endpoint->sendMutex);
        // A vanished port swallows what is sent to it, as a real one does.
        if (!endpoint->present)
            return;
        {
            const std::lock_guard sentLock(state->sentMutex);
            state->sent.push_back(message);
        }
        if (endpoint->peer)
            endpoint->peer(message);
    }

private:
    const std::shared_ptr<VirtualMidiBus::State> state;
    const std::shared_ptr<OutputEndpoint> endpoint;
};

template <typename Endpoint>
std::shared_ptr<Endpoint> find(const std::vector<std::shared_ptr<Endpoint>>& endpoints,
                               const juce::String& identifier)
{
    const auto found =
        std::find_if(endpoints.begin(), endpoints.end(),
                     [&identifier](const auto& endpoint) { return endpoint->info.identifier == identifier; });
    return found == endpoints.end() ? nullptr : *found;
}

template <typename Endpoint>
std::vector<juce::MidiDeviceInfo> listOf(const std::vector<std::shared_ptr<Endpoint>>& endpoints)
{
    std::vector<juce::MidiDeviceInfo> list;
    for (const auto& endpoint : endpoints)
        list.push_back(endpoint->info);
    return list;
}
} // namespace

VirtualMidiBus::VirtualMidiBus()
    : state(std::make_shared<State>())
{
    state->receiveThread = std::thread([this] { runReceiveThread(); });
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
    const std::lock_guard lock(state->mutex);
    auto endpoint = std::make_shared<InputEndpoint>();
    endpoint->info = {name, "virtual-in-" + juce::String(state->nextIdentifier++)};
    state->inputs.push_back(endpoint);
    return endpoint->info.identifier;
}

juce::String VirtualMidiBus::addOutput(const juce::String& name, PeerReceiver peer)
{
    const std::lock_guard lock(state->mutex);
    auto endpoint = std::make_shared<OutputEndpoint>();
    endpoint->info = {name, "virtual-out-" + juce::String(state->nextIdentifier++)};
    endpoint->peer = std::move(peer);
    state->outputs.push_back(endpoint);
    return endpoint->info.identifier;
}

void VirtualMidiBus::removeInput(const juce::String& identifier)
{
    const std::lock_guard lock(state->mutex);
    if (auto endpoint = find(state->inputs, identifier))
    {
        // What its peer sent and is not delivered yet is lost with it.
        endpoint->present = false;
        state->inputs.erase(std::find(state->inputs.begin(), state->inputs.end(), endpoint));
    }
}

void VirtualMidiBus::removeOutput(const juce::String& identifier)
{
    std::shared_ptr<OutputEndpoint> endpoint;
    {
        const std::lock_guard lock(state->mutex);
        endpoint = find(state->outputs, identifier);
        if (endpoint == nullptr)
            return;
        auto& outputs = state->outputs;
        outputs.erase(std::find(outputs.begin(), outputs.end(), endpoint));
    }
    PeerReceiver peer; // released outside the lock
    {
        const std::lock_guard lock(endpoint->sendMutex);
        endpoint->present = false;
        peer.swap(endpoint->peer);
    }
}

void VirtualMidiBus::setOpenFailure(const juce::String& identifier, bool fails)
{
    const std::lock_guard lock(state->mutex);
    if (auto input = find(state->inputs, identifier))
        input->failOpen = fails;
    if (auto output = find(state->outputs, identifier))
        output->failOpen = fails;
}

bool VirtualMidiBus::sendFromPeer(const juce::String& inputIdentifier, const juce::MidiMessage& message)
{
    auto stamped = message;
    // The framework stamps incoming messages with its millisecond counter,
    // in seconds.
    stamped.setTimeStamp(juce::Time::getMillisecondCounterHiRes() * 0.001);
    {
        const std::lock_guard lock(state->mutex);
        auto endpoint = find(state->inputs, inputIdentifier);
        if (endpoint == nullptr)
            return false;
        state->pending.push_back({std::move(endpoint), stamped});
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

int VirtualMidiBus::countOpenPorts(const juce::String& identifier) const
{
    const std::lock_guard lock(state->mutex);
    if (auto input = find(state->inputs, identifier))
        return static_cast<int>(input->openings.size());
    if (auto output = find(state->outputs, identifier))
        return output->openings;
    return 0;
}

std::vector<juce::MidiMessage> VirtualMidiBus::getSent() const
{
    const std::lock_guard lock(state->sentMutex);
    return state->sent;
}

void VirtualMidiBus::clearSent()
{
    const std::lock_guard lock(state->sentMutex);
    state->sent.clear();
}

std::vector<juce::MidiDeviceInfo> VirtualMidiBus::getInputs() const
{
    const std::lock_guard lock(state->mutex);
    return listOf(state->inputs);
}

std::vector<juce::MidiDeviceInfo> VirtualMidiBus::getOutputs() const
{
    const std::lock_guard lock(state->mutex);
    return listOf(state->outputs);
}

std::unique_ptr<midiUsb::MidiInputPort> VirtualMidiBus::openInput(const juce::String& identifier,
                                                                  midiUsb::MidiInputReceiver& receiver)
{
    std::shared_ptr<InputEndpoint> endpoint;
    {
        const std::lock_guard lock(state->mutex);
        endpoint = find(state->inputs, identifier);
        if (endpoint == nullptr || endpoint->failOpen)
            return nullptr;
    }
    return std::make_unique<VirtualMidiInputPort>(state, std::move(endpoint), receiver);
}

std::unique_ptr<midiUsb::MidiOutputPort> VirtualMidiBus::openOutput(const juce::String& identifier)
{
    const std::lock_guard lock(state->mutex);
    auto endpoint = find(state->outputs, identifier);
    if (endpoint == nullptr || endpoint->failOpen)
        return nullptr;
    ++endpoint->openings;
    return std::make_unique<VirtualMidiOutputPort>(state, std::move(endpoint));
}

void VirtualMidiBus::runReceiveThread()
{
    juce::Thread::setCurrentThreadName("Virtual MIDI rx");
    std::unique_lock lock(state->mutex);
    for (;;)
    {
        state->changed.wait(lock, [this] { return state->stopping || !state->pending.empty(); });
        if (state->stopping)
            return;

        const auto item = std::move(state->pending.front());
        state->pending.pop_front();
        std::vector<std::shared_ptr<OpenInput>> openings;
        for (const auto& weak : item.endpoint->openings)
            if (auto opening = weak.lock(); opening && item.endpoint->present)
                openings.push_back(std::move(opening));
        state->delivering = true;
        lock.unlock();

        for (const auto& opening : openings)
        {
            const std::lock_guard callbackLock(opening->callbackMutex);
            if (opening->started)
                opening->receiver.midiMessageReceived(opening->port, item.message);
        }

        lock.lock();
        state->delivering = false;
        state->changed.notify_all();
    }
}
} // namespace simulator
