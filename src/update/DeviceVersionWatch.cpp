#include "update/DeviceVersionWatch.h"

void DeviceVersionWatch::setKnown(bool isKnown)
{
    const std::lock_guard lock(mutex);
    known = isKnown;
    if (referenceSet && !known)
        lost = true;
}

void DeviceVersionWatch::setReference()
{
    const std::lock_guard lock(mutex);
    referenceSet = true;
    lost = !known;
}

bool DeviceVersionWatch::isKnown() const
{
    const std::lock_guard lock(mutex);
    return known;
}

bool DeviceVersionWatch::wasLost() const
{
    const std::lock_guard lock(mutex);
    return lost;
}

bool DeviceVersionWatch::cameBack() const
{
    const std::lock_guard lock(mutex);
    return known && lost;
}
