#pragma once

#include "SerialWatcher.h"
#include "common/SharedValueTable.h"
#include "serial/Serial.h"

namespace serialDevice
{

// Owns the port object used for the transfers and the watcher of the
// instrument's port, and publishes whether the watcher holds the port as
// "Status of the serial connection with Tavelo".
class SerialDeviceFacade : public SerialWatcherListener
{
public:
    SerialDeviceFacade(SharedValueTable& values, SerialWatcher::PortLister portLister);
    ~SerialDeviceFacade() override;

    SerialDeviceFacade(const SerialDeviceFacade&) = delete;
    SerialDeviceFacade& operator=(const SerialDeviceFacade&) = delete;

    // On the message thread.
    void serialDeviceChanged() override;

private:
    SharedValueTable& values;

public:
    // Closed until an update opens it.
    serial::Serial serialPort;
    SerialWatcher serialWatcher;
};

} // namespace serialDevice
