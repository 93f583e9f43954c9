#include "MillisecondTimer.h"

namespace serial
{
namespace
{
constexpr int64_t nanosecondsPerSecond = 1000000000;
}

MillisecondTimer::MillisecondTimer(uint32_t milliseconds)
    : expiry(timespec_now())
{
    int64_t nanoseconds = expiry.tv_nsec + static_cast<int64_t>(milliseconds) * 1000000;
    expiry.tv_sec += static_cast<time_t>(nanoseconds / nanosecondsPerSecond);
    expiry.tv_nsec = static_cast<long>(nanoseconds % nanosecondsPerSecond);
}

int64_t MillisecondTimer::remaining() const
{
    const timespec now = timespec_now();
    const int64_t seconds = static_cast<int64_t>(expiry.tv_sec) - now.tv_sec;
    const int64_t nanoseconds = static_cast<int64_t>(expiry.tv_nsec) - now.tv_nsec;
    return seconds * 1000 + nanoseconds / 1000000;
}

timespec MillisecondTimer::timespec_now()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

timespec timespec_from_ms(uint32_t milliseconds)
{
    timespec time{};
    time.tv_sec = static_cast<time_t>(milliseconds / 1000);
    time.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000;
    return time;
}

} // namespace serial
