#include "SerialWatcher.h"

#include "serial/PortListing.h"

#include <algorithm>

SerialWatcher::SerialWatcher(PortLister lister)
    : portLister(lister ? std::move(lister) : PortLister([] { return serial::list_ports(); }))
{
    startTimer(pollIntervalMs);
}

SerialWatcher::~SerialWatcher()
{
    stopTimer();
}

serial::PortInfo SerialWatcher::getPort() const
{
    const std::lock_guard lock(mutex);
    return heldPort.value_or(serial::PortInfo{});
}

std::vector<serial::PortInfo> SerialWatcher::listPorts() const
{
    return portLister();
}

bool SerialWatcher::holdsPort() const
{
    const std::lock_guard lock(mutex);
    return heldPort.has_value();
}

void SerialWatcher::timerCallback()
{
    const std::vector<serial::PortInfo> ports = listPorts();
    const serial::PortInfo current = getPort();

    const auto isListed = [&ports](const std::string& path) {
        return std::any_of(ports.begin(), ports.end(),
                           [&path](const auto& port) { return port.port == path; });
    };
    if (!current.port.empty() && !isListed(current.port))
    {
        {
            const std::lock_guard lock(mutex);
            heldPort.reset();
        }
        sendChangeMessage(&SerialWatcherListener::serialDeviceChanged);
    }

    if (holdsPort())
        return;
    const auto instrument =
        std::find_if(ports.begin(), ports.end(),
                     [](const serial::PortInfo& port)
                     { return port.hardware_id.find(instrumentHardwareId) != std::string::npos; });
    if (instrument == ports.end())
        return;
    {
        const std::lock_guard lock(mutex);
        heldPort = *instrument;
    }
    sendChangeMessage(&SerialWatcherListener::serialDeviceChanged);
}
