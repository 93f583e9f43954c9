#pragma once

#include "common/SharedValueTable.h"
#include "midiUsb/SysExCommand.h"
#include "midiUsb/SysExMidiHandler.h"

#include <juce_events/juce_events.h>

#include <array>
#include <memory>

namespace midiUsb
{
// Asks the selected instrument once a second for its firmware version, its
// sound-engine version and its serial number, in that order, one missing
// value per tick, until all three are known or no output is open. The
// answers land in the shared values. Message thread only.
class DeviceVersionPeriodicRequest : private juce::Timer
{
public:
    static constexpr int periodMs = 1000;

    DeviceVersionPeriodicRequest(SharedValueTable& values, SysExMidiHandler* sysExMidiHandler);
    ~DeviceVersionPeriodicRequest() override;

    // Starts, or restarts, the one-second count.
    void start();
    bool isRunning() const { return isTimerRunning(); }

private:
    void timerCallback() override;
    void requestDeviceVersions();
    void queueRequest(std::size_t kindIndex);

    SharedValueTable& values;
    SysExMidiHandler* const sysExMidiHandler;
    // One per kind of request, alive while that request is in the queue:
    // its callbacks own the token, and the request leaves the queue with
    // them however it ends (answered, timed out, dropped or cleared).
    std::array<std::weak_ptr<const void>, 3> pendingRequests;
};
} // namespace midiUsb
