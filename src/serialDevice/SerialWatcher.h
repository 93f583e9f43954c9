#pragma once

#include "SerialWatcherListener.h"
#include "common/Broadcaster.h"
#include "serial/PortInfo.h"

#include <juce_events/juce_events.h>

#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

// Polls the serial ports and holds the instrument's port while it is listed:
// the instrument shows one only in update mode. The timer and the listeners
// run on the message thread; getPort() may be called from any thread.
class SerialWatcher : public juce::Timer, public utils::Broadcaster<SerialWatcherListener>
{
public:
    using PortLister = std::function<std::vector<serial::PortInfo>()>;

    // The instrument's USB vendor and product identifiers as the listing
    // writes them into the hardware id.
    static constexpr std::string_view instrumentHardwareId = "5c6d:0010";
    static constexpr int pollIntervalMs = 200;

    // An empty lister stands for the machine's own listing.
    explicit SerialWatcher(PortLister lister);
    ~SerialWatcher() override;

    // A copy of the held port, or three empty strings when none is held.
    serial::PortInfo getPort() const;

    // The current listing of the serial ports, from the lister this watcher
    // polls.
    std::vector<serial::PortInfo> listPorts() const;

    // One poll: drop a held port that is no longer listed, then take the
    // first listed instrument port when none is held.
    void timerCallback() override;

protected:
    // A new listener is not told the current state.
    void listenerAdded(SerialWatcherListener*) const override {}

private:
    bool holdsPort() const;

    const PortLister portLister;
    mutable std::mutex mutex;
    std::optional<serial::PortInfo> heldPort;
};
