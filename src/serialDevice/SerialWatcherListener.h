#pragma once

// Told each time the serial watcher takes or drops the instrument's port.
class SerialWatcherListener
{
public:
    virtual ~SerialWatcherListener() = default;
    virtual void serialDeviceChanged() = 0;
};
