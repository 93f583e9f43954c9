#pragma once

#include <mutex>

// Whether the instrument's firmware version is known, and whether it went
// away since a reference moment. A restart shows as the version going and
// coming back, and the MIDI side notices either only on its 1 s poll, so a
// version that is known is not yet proof of a restart: the loss must have
// been seen too.
class DeviceVersionWatch
{
public:
    // Message thread, on every change of "Current Tavelo Version".
    void setKnown(bool isKnown);
    // From now on a loss counts; a version unknown right now is lost already.
    void setReference();

    bool isKnown() const;
    bool wasLost() const;
    bool cameBack() const;

private:
    mutable std::mutex mutex;
    bool known = false;
    bool referenceSet = false;
    bool lost = false;
};
