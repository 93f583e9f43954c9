#include "SimulatedInstrument.h"

#include "TaveloPlayResponder.h"

namespace simulator
{
SimulatedInstrument::SimulatedInstrument(VirtualMidiBus& bus, InstrumentData initialData)
    : data(std::move(initialData))
{
    playPorts = std::make_unique<SimulatedMidiDevice>(
        bus, playPortName, [this](const juce::MidiMessage& request) { return respond(request); });
}

SimulatedInstrument::~SimulatedInstrument()
{
    playPorts.reset();
}

void SimulatedInstrument::connect()
{
    playPorts->connect();
}

void SimulatedInstrument::disconnect()
{
    playPorts->disconnect();
}

void SimulatedInstrument::setData(const InstrumentData& newData)
{
    const std::lock_guard lock(mutex);
    data = newData;
}

InstrumentData SimulatedInstrument::getData() const
{
    const std::lock_guard lock(mutex);
    return data;
}

void SimulatedInstrument::setFirmwareVersion(const juce::String& version)
{
    const std::lock_guard lock(mutex);
    data.firmwareVersion = version;
}

void SimulatedInstrument::setLatency(std::chrono::milliseconds newLatency)
{
    const std::lock_guard lock(mutex);
    latency = newLatency;
}

void SimulatedInstrument::setLateDelay(std::chrono::milliseconds delay)
{
    const std::lock_guard lock(mutex);
    lateDelay = delay;
}

void SimulatedInstrument::setMisbehaviour(Misbehaviour misbehaviour)
{
    const std::lock_guard lock(mutex);
    usualMisbehaviour = misbehaviour;
}

void SimulatedInstrument::misbehaveOnNext(Misbehaviour misbehaviour, int count)
{
    const std::lock_guard lock(mutex);
    for (int i = 0; i < count; ++i)
        upcomingMisbehaviours.push_back(misbehaviour);
}

void SimulatedInstrument::setInfoTypeByte(std::optional<std::uint8_t> byte)
{
    const std::lock_guard lock(mutex);
    infoTypeByte = byte;
}

std::vector<juce::MidiMessage> SimulatedInstrument::getRequests() const
{
    return playPorts->getReceived();
}

Misbehaviour SimulatedInstrument::nextMisbehaviour()
{
    if (upcomingMisbehaviours.empty())
        return usualMisbehaviour;
    const auto next = upcomingMisbehaviours.front();
    upcomingMisbehaviours.pop_front();
    return next;
}

void SimulatedInstrument::setReceiveObserver(std::function<void(const juce::MidiMessage&)> observer)
{
    const std::lock_guard lock(mutex);
    receiveObserver = std::move(observer);
}

std::vector<SimulatedMidiDevice::Outgoing> SimulatedInstrument::respond(const juce::MidiMessage& request)
{
    const std::lock_guard lock(mutex);
    if (receiveObserver)
        receiveObserver(request);
    auto answer = TaveloPlayResponder::answer(SysExAnswerBuilder::toBytes(request), data);
    if (!answer)
        return {};
    if (infoTypeByte && (*answer)[4] == 0x0D)
        (*answer)[5] = *infoTypeByte;

    const auto misbehaviour = nextMisbehaviour();
    const auto delay = misbehaviour == Misbehaviour::late ? lateDelay : latency;
    std::vector<SimulatedMidiDevice::Outgoing> outgoing;
    for (const auto& bytes : TaveloPlayResponder::spoil(*answer, misbehaviour))
        outgoing.push_back(
            {outgoing.empty() ? delay : std::chrono::milliseconds(0), SysExAnswerBuilder::toMessage(bytes)});
    return outgoing;
}
} // namespace simulator
