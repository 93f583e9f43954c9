#include "serial/PortListing.h"
#include "serialDevice/SerialWatcher.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

// The cost of one listing of the machine's serial ports, which the watcher
// makes five times a second for as long as the application runs: back to
// back (warm caches) and at the watcher's own pace (cold, as in the
// application).
namespace
{
double threadCpuMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}
} // namespace

int main()
{
    constexpr int backToBack = 1000;
    constexpr int paced = 20;
    std::size_t ports = 0;

    const double warmStart = threadCpuMicroseconds();
    for (int i = 0; i < backToBack; ++i)
        ports = serial::list_ports().size();
    const double warm = (threadCpuMicroseconds() - warmStart) / backToBack;

    double cold = 0;
    for (int i = 0; i < paced; ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(SerialWatcher::pollIntervalMs));
        const double start = threadCpuMicroseconds();
        serial::list_ports();
        cold += threadCpuMicroseconds() - start;
    }
    cold /= paced;

    const double pollsPerSecond = 1000.0 / SerialWatcher::pollIntervalMs;
    std::printf("serial port listing (%zu ports): %.0f us CPU back to back, %.0f us every %d ms"
                " (%.2f ms CPU per second)\n",
                ports, warm, cold, SerialWatcher::pollIntervalMs, cold * pollsPerSecond / 1000.0);
    return 0;
}
