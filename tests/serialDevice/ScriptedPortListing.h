#pragma once

#include "serial/PortInfo.h"
#include "serialDevice/SerialWatcher.h"

#include <mutex>
#include <vector>

namespace testsupport
{
// A port listing that the test sets; every poll sees the current script.
class ScriptedPortListing
{
public:
    void set(std::vector<serial::PortInfo> ports)
    {
        const std::lock_guard lock(mutex);
        current = std::move(ports);
    }
    SerialWatcher::PortLister lister()
    {
        return [this]
        {
            const std::lock_guard lock(mutex);
            return current;
        };
    }
    static serial::PortInfo instrument(const std::string& path, const std::string& serialNumber = "None")
    {
        return {path, "Quarnel Tavelo", "USB VID:PID=5c6d:0010 SNR=" + serialNumber};
    }
    static serial::PortInfo otherDevice(const std::string& path)
    {
        return {path, "FTDI FT232R USB UART", "USB VID:PID=0403:6001 SNR=A50285BI"};
    }

private:
    std::mutex mutex;
    std::vector<serial::PortInfo> current;
};
} // namespace testsupport
