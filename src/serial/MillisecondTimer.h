#pragma once

#include <cstdint>
#include <ctime>

namespace serial
{

// A deadline on the monotonic clock, so a change of the wall clock neither
// shortens nor stretches a read or a write.
class MillisecondTimer
{
public:
    explicit MillisecondTimer(uint32_t milliseconds);

    // Whole milliseconds left; zero or negative once the deadline has passed.
    int64_t remaining() const;

    static timespec timespec_now();

private:
    timespec expiry;
};

timespec timespec_from_ms(uint32_t milliseconds);

} // namespace serial
