#pragma once

#include "VirtualMidiBus.h"
#include "common/SharedValueTable.h"
#include "midiUsb/SysExCommand.h"

#include <atomic>
#include <memory>
#include <vector>

namespace devicelinktest
{
// The device values as the Core starts them.
void fillDeviceValues(SharedValueTable& values);

juce::String text(const SharedValueTable& values, std::string_view key);

// The info requests the system sent on the bus, by the kind asked for.
std::vector<midiUsb::InfoRequestType> infoRequestsSent(const simulator::VirtualMidiBus& bus);
int countInfoRequestsSent(const simulator::VirtualMidiBus& bus, midiUsb::InfoRequestType type);

// A MIDI service that forwards to another one and notes on which threads
// its inputs deliver messages.
class ThreadNotingMidiSystem final : public midiUsb::MidiSystem
{
public:
    explicit ThreadNotingMidiSystem(std::shared_ptr<midiUsb::MidiSystem> system);
    ~ThreadNotingMidiSystem() override;

    std::vector<juce::MidiDeviceInfo> getInputs() const override { return system->getInputs(); }
    std::vector<juce::MidiDeviceInfo> getOutputs() const override { return system->getOutputs(); }
    std::unique_ptr<midiUsb::MidiInputPort> openInput(const juce::String& identifier,
                                                      midiUsb::MidiInputReceiver& receiver) override;
    std::unique_ptr<midiUsb::MidiOutputPort> openOutput(const juce::String& identifier) override
    {
        return system->openOutput(identifier);
    }

    int deliveredOnMessageThread() const { return onMessageThread.load(); }
    int deliveredElsewhere() const { return elsewhere.load(); }

private:
    class NotingReceiver;

    const std::shared_ptr<midiUsb::MidiSystem> system;
    std::vector<std::unique_ptr<NotingReceiver>> receivers;
    std::atomic<int> onMessageThread{0};
    std::atomic<int> elsewhere{0};
};
} // namespace devicelinktest
