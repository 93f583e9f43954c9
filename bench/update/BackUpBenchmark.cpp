#include "InstrumentLink.h"
#include "SimulatedInstrument.h"
#include "update/PersistentDataDownload.h"
#include "update/TaveloPersistentData.h"

#include <juce_events/juce_events.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

namespace
{
constexpr int rounds = 7;
using Clock = std::chrono::steady_clock;

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Round
{
    double total = 0;   // folder, files, queue and wait
    double wait = 0;    // from the wait's first pause to its end
    double waitCpu = 0; // the update thread's CPU time in that span
    bool ok = false;
};

// One back-up on a thread of its own, the message loop running here.
Round runOnce(midiUsb::SysExMidiHandler& handler)
{
    Round round;
    std::atomic<bool> done{false};
    std::thread update(
        [&]
        {
            juce::Thread::setCurrentThreadName("Update thread");
            std::mutex mutex;
            std::condition_variable never;
            std::atomic<bool> stop{false};
            bool waiting = false;
            Clock::time_point waitStart;
            double cpuAtWait = 0;
            PersistentDataDownload::Hooks hooks{
                [&] { return stop.load(); }, [&] { stop = true; }, [](const juce::String&) {},
                [](const juce::String&, const juce::String&) {},
                [&](std::chrono::milliseconds duration)
                {
                    if (!waiting)
                    {
                        waiting = true;
                        waitStart = Clock::now();
                        cpuAtWait = threadCpuSeconds();
                    }
                    std::unique_lock lock(mutex);
                    return !never.wait_for(lock, duration, [&] { return stop.load(); });
                }};
            const auto start = Clock::now();
            PersistentDataDownload download(handler, hooks, UpdateTiming{});
            round.ok = download.run().wasOk();
            const auto end = Clock::now();
            round.total = std::chrono::duration<double>(end - start).count();
            if (waiting)
            {
                round.wait = std::chrono::duration<double>(end - waitStart).count();
                round.waitCpu = threadCpuSeconds() - cpuAtWait;
            }
            done = true;
        });
    while (!done)
        juce::MessageManager::getInstance()->runDispatchLoopUntil(1);
    update.join();
    return round;
}
} // namespace

int main()
{
    const juce::ScopedJuceInitialiser_GUI juce;
    spdlog::set_level(spdlog::level::warn);

    // The snapshots go to a folder of the benchmark's own.
    const auto dataHome = juce::File::createTempFile("tavelo-backup-benchmark");
    dataHome.createDirectory();
    ::setenv("XDG_DATA_HOME", dataHome.getFullPathName().toRawUTF8(), 1);

    simulator::VirtualMidiBus bus;
    simulator::SimulatedInstrument instrument(bus);
    instrument.connect();
    midiUsb::SysExMidiHandler handler;
    simulator::InstrumentLink link(bus, handler);
    if (!link.isOpen())
    {
        std::printf("The simulated instrument's ports did not open.\n");
        return 1;
    }

    const double bound = 64 * midiUsb::SysExMidiHandler::tickPeriodMs / 1000.0;
    std::printf("Back-up through PersistentDataDownload::run: 63 requests, no added latency\n");
    std::printf("Bound (64 ticks of %d ms): %.3f s\n", midiUsb::SysExMidiHandler::tickPeriodMs, bound);
    std::vector<double> totals, cpuShares;
    for (int number = 1; number <= rounds; ++number)
    {
        const auto round = runOnce(handler);
        const double share = round.wait > 0 ? 100.0 * round.waitCpu / round.wait : 0.0;
        totals.push_back(round.total);
        cpuShares.push_back(share);
        std::printf("Round %d: %s, %.3f s (%.2f x bound); wait %.3f s, update thread CPU %.4f s (%.2f %%)\n",
                    number, round.ok ? "ok" : "FAILED", round.total, round.total / bound, round.wait,
                    round.waitCpu, share);
    }
    std::sort(totals.begin(), totals.end());
    std::sort(cpuShares.begin(), cpuShares.end());
    std::printf(
        "Median: %.3f s, %.2f x the bound; update thread CPU during the wait %.2f %% of its wall time "
        "(target: under 5 %%)\n",
        totals[rounds / 2], totals[rounds / 2] / bound, cpuShares[rounds / 2]);
    handler.stopTimer();
    dataHome.deleteRecursively();
    return 0;
}
