#pragma once

#include "common/Broadcaster.h"
#include "midiUsb/MidiDeviceListListener.h"
#include "midiUsb/MidiSystem.h"

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>
#include <vector>

namespace midiUsb
{
// Polls a list of MIDI devices on a message-thread timer and tells its
// listeners when the list changed: length, a name or an identifier, order
// included.
class MidiDeviceList : public juce::Timer, public utils::Broadcaster<MidiDeviceListListener>
{
public:
    using Provider = std::function<std::vector<juce::MidiDeviceInfo>()>;

    enum class ChangeLog
    {
        logged,
        silent
    };

    explicit MidiDeviceList(Provider provider, ChangeLog changeLog = ChangeLog::logged);
    ~MidiDeviceList() override;

    const std::vector<juce::MidiDeviceInfo>& getDevices() const noexcept { return devices; }

    void timerCallback() override;

protected:
    void listenerAdded(MidiDeviceListListener* listener) const override;

private:
    void logDevices() const;

    const Provider provider;
    const ChangeLog changeLog;
    std::vector<juce::MidiDeviceInfo> devices;
};

// The platform's MIDI inputs, in its order.
MidiDeviceList::Provider midiInputDeviceProvider(std::shared_ptr<MidiSystem> system);
// The platform's MIDI outputs, in its order.
MidiDeviceList::Provider midiOutputDeviceProvider(std::shared_ptr<MidiSystem> system);
} // namespace midiUsb
