#include "UpdateThreadStandIn.h"

#include "support/MessageLoop.h"
#include "support/TemporaryFolder.h"
#include "update/TaveloPersistentData.h"

#include <cstdio>
#include <cstdlib>

#include <thread>

juce::File UpdateThreadStandIn::useTemporaryDataHome()
{
    static const testsupport::TemporaryFolder dataHome;
    ::setenv("XDG_DATA_HOME", dataHome.path().c_str(), 1);
    const juce::File home(juce::String(dataHome.path().string()));
    // Built once per process: too late once built elsewhere.
    if (!TaveloPersistentData::getPersistentDataFolder().isAChildOf(home))
    {
        std::fprintf(stderr, "The back-up folder was built before the test's data home was set.\n");
        std::abort();
    }
    return home;
}

PersistentDataDownload::Hooks UpdateThreadStandIn::hooks()
{
    return {[this] { return stopRequested(); }, [this] { requestStop(); },
            [this](const juce::String& text)
            {
                const std::lock_guard lock(mutex);
                statusTexts.push_back(text);
            },
            [this](const juce::String& title, const juce::String& message)
            {
                const std::lock_guard lock(mutex);
                if (!stopRequested())
                    alertTexts.push_back(title + ": " + message);
            },
            [this](std::chrono::milliseconds duration) { return pause(duration); }};
}

void UpdateThreadStandIn::requestStop()
{
    {
        const std::lock_guard lock(mutex);
        stop = true;
    }
    changed.notify_all();
}

bool UpdateThreadStandIn::pause(std::chrono::milliseconds duration)
{
    std::unique_lock lock(mutex);
    waiting = true;
    changed.notify_all();
    return !changed.wait_for(lock, duration, [this] { return stop.load(); });
}

bool UpdateThreadStandIn::run(const std::function<void()>& body, std::chrono::milliseconds timeout,
                              const std::function<void()>& whenWaiting)
{
    std::thread thread(
        [&]
        {
            juce::Thread::setCurrentThreadName("Update thread");
            body();
            const std::lock_guard lock(mutex);
            done = true;
            changed.notify_all();
        });
    if (whenWaiting)
    {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, timeout, [this] { return waiting || done; });
        lock.unlock();
        whenWaiting();
    }
    const auto isDone = [this]
    {
        const std::lock_guard lock(mutex);
        return done;
    };
    const bool ended = testsupport::pumpUntil(isDone, timeout);
    if (!ended)
    {
        requestStop();
        testsupport::pumpUntil(isDone, timeout);
    }
    thread.join();
    return ended;
}

std::vector<juce::String> UpdateThreadStandIn::statuses() const
{
    const std::lock_guard lock(mutex);
    return statusTexts;
}

std::vector<juce::String> UpdateThreadStandIn::alerts() const
{
    const std::lock_guard lock(mutex);
    return alertTexts;
}
