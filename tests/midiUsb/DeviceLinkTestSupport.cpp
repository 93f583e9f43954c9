#include "DeviceLinkTestSupport.h"

#include "common/Dictionary.h"

#include <juce_events/juce_events.h>

namespace devicelinktest
{
namespace
{
juce::String toJuce(std::string_view text)
{
    return juce::String(text.data(), text.size());
}
} // namespace

void fillDeviceValues(SharedValueTable& values)
{
    values[Dictionary::midiDevicesKey] = juce::var(juce::Array<juce::var>());
    values[Dictionary::selectedMidiDeviceKey] = juce::String();
    values[Dictionary::currentTaveloVersionKey] = toJuce(Dictionary::noVersionFound);
    values[Dictionary::currentPirelMatrixVersionKey] = toJuce(Dictionary::noVersionFound);
    values[Dictionary::casingSerialNumber] = toJuce(Dictionary::noSerialNumber);
}

juce::String text(const SharedValueTable& values, std::string_view key)
{
    return values.at(key).toString();
}

std::vector<midiUsb::InfoRequestType> infoRequestsSent(const simulator::VirtualMidiBus& bus)
{
    std::vector<midiUsb::InfoRequestType> requests;
    for (const auto& traffic : bus.getTraffic())
    {
        const auto& message = traffic.message;
        const auto* bytes = message.getRawData();
        if (traffic.direction == simulator::MidiTraffic::Direction::fromSystem &&
            message.getRawDataSize() == 7 && bytes[0] == 0xF0 && bytes[4] == 0x0C)
            requests.push_back(static_cast<midiUsb::InfoRequestType>(bytes[5]));
    }
    return requests;
}

int countInfoRequestsSent(const simulator::VirtualMidiBus& bus, midiUsb::InfoRequestType type)
{
    const auto requests = infoRequestsSent(bus);
    return static_cast<int>(std::count(requests.begin(), requests.end(), type));
}

class ThreadNotingMidiSystem::NotingReceiver final : public midiUsb::MidiInputReceiver
{
public:
    NotingReceiver(ThreadNotingMidiSystem& owner, midiUsb::MidiInputReceiver& receiver)
        : system(owner)
        , forwardTo(receiver)
    {
    }

    void midiMessageReceived(midiUsb::MidiInputPort& source, const juce::MidiMessage& message) override
    {
        if (juce::MessageManager::getInstance()->isThisTheMessageThread())
            ++system.onMessageThread;
        else
            ++system.elsewhere;
        forwardTo.midiMessageReceived(source, message);
    }

private:
    ThreadNotingMidiSystem& system;
    midiUsb::MidiInputReceiver& forwardTo;
};

ThreadNotingMidiSystem::ThreadNotingMidiSystem(std::shared_ptr<midiUsb::MidiSystem> systemToUse)
    : system(std::move(systemToUse))
{
}

ThreadNotingMidiSystem::~ThreadNotingMidiSystem() = default;

std::unique_ptr<midiUsb::MidiInputPort>
ThreadNotingMidiSystem::openInput(const juce::String& identifier, midiUsb::MidiInputReceiver& receiver)
{
    // Kept until this object goes: the ports opened through it must go first.
    receivers.push_back(std::make_unique<NotingReceiver>(*this, receiver));
    return system->openInput(identifier, *receivers.back());
}
} // namespace devicelinktest
