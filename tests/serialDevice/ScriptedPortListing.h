#pragma once

#include "serial/PortInfo.h"
#include "serialDevice/SerialWatcher.h"

#include <vector>

namespace testsupport
{
// A port listing that the test sets. The watcher polls it on the message
// thread, which is the test's own.
struct ScriptedPortListing
{
    std::vector<serial::PortInfo> ports;
    SerialWatcher::PortLister lister()
    {
        return [this] { return ports; };
    }

    static serial::PortInfo instrument(const std::string& path, const std::string& serialNumber = "None")
    {
        return {path, "Quarnel Tavelo", "USB VID:PID=5c6d:0010 SNR=" + serialNumber};
    }
    static serial::PortInfo otherDevice(const std::string& path)
    {
        return {path, "FTDI FT232R USB UART", "USB VID:PID=0403:6001 SNR=A50285BI"};
    }
};
} // namespace testsupport
