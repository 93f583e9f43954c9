#pragma once

#include "InstrumentData.h"
#include "Misbehaviour.h"
#include "SimulatedMidiDevice.h"

#include <deque>
#include <memory>
#include <optional>

namespace simulator
{
// The Tavelo as the system sees it on the virtual bus: its own port pair
// "Tavelo play", answering the SysEx requests one by one, in order, after a
// configurable latency, or misbehaving on request.
//
// Each face of the instrument is a SimulatedMidiDevice of its own with its
// own responder, so the sound engine's ports, update mode (with its serial
// port) and restarts (disconnect, then connect) are added beside this one.
class SimulatedInstrument
{
public:
    static constexpr const char* playPortName = "Tavelo play";

    explicit SimulatedInstrument(VirtualMidiBus& bus, InstrumentData data = InstrumentData::makeTypical());
    ~SimulatedInstrument();

    // Plugs the instrument's ports in / out.
    void connect();
    void disconnect();

    void setData(const InstrumentData& data);
    InstrumentData getData() const;
    void setFirmwareVersion(const juce::String& version);

    // Time from a request to its answer; "late" answers take lateDelay.
    void setLatency(std::chrono::milliseconds latency);
    void setLateDelay(std::chrono::milliseconds delay);

    // How every request is answered from now on.
    void setMisbehaviour(Misbehaviour misbehaviour);
    // How the next `count` requests are answered, before the usual way.
    void misbehaveOnNext(Misbehaviour misbehaviour, int count = 1);

    // What info answers carry at offset 5: empty, the type asked for; else
    // this byte, whatever was asked.
    void setInfoTypeByte(std::optional<std::uint8_t> byte);

    // Told of every message the instrument receives, before it answers, on
    // the instrument's own thread; empty tells nobody.
    void setReceiveObserver(std::function<void(const juce::MidiMessage&)> observer);

    // The requests the instrument received on its own port, in order.
    std::vector<juce::MidiMessage> getRequests() const;

private:
    std::vector<SimulatedMidiDevice::Outgoing> respond(const juce::MidiMessage& request);
    Misbehaviour nextMisbehaviour();

    mutable std::mutex mutex;
    InstrumentData data;
    std::chrono::milliseconds latency{0};
    std::chrono::milliseconds lateDelay{6000};
    Misbehaviour usualMisbehaviour = Misbehaviour::none;
    std::deque<Misbehaviour> upcomingMisbehaviours;
    std::optional<std::uint8_t> infoTypeByte;
    std::function<void(const juce::MidiMessage&)> receiveObserver;

    // Last, so that it stops before what its handler uses goes.
    std::unique_ptr<SimulatedMidiDevice> playPorts;
};
} // namespace simulator
