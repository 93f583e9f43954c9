#pragma once

#include <string>

namespace serial
{

// A listed serial port.
struct PortInfo
{
    // The device node that Serial opens.
    std::string port;
    // USB vendor and product names, or "n/a".
    std::string description;
    // "USB VID:PID=vvvv:pppp SNR=serial" for a USB port, or "n/a".
    std::string hardware_id;
};

} // namespace serial
