#pragma once

#include "update/PersistentDataDownload.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

// In the update thread's place for the back-up and preset steps: a thread
// of its own, a stop flag, an interruptible pause, and the status texts and
// alerts it was given. The test thread, the message thread, pumps meanwhile.
class UpdateThreadStandIn
{
public:
    // Points XDG_DATA_HOME at a temporary folder before the back-up's folder is first built.
    static juce::File useTemporaryDataHome();

    PersistentDataDownload::Hooks hooks();
    void requestStop();
    bool stopRequested() const { return stop.load(); }
    // Sleeps at most `duration`; false once stopped.
    bool pause(std::chrono::milliseconds duration);

    // Runs `body` on a thread named "Update thread"; `whenWaiting` runs on the message thread at the
    // body's first pause. False when the body did not end in time.
    bool run(const std::function<void()>& body, std::chrono::milliseconds timeout,
             const std::function<void()>& whenWaiting = {});

    std::vector<juce::String> statuses() const;
    std::vector<juce::String> alerts() const;

private:
    std::atomic<bool> stop{false};
    mutable std::mutex mutex;
    std::condition_variable changed;
    bool waiting = false;
    bool done = false;
    std::vector<juce::String> statusTexts;
    std::vector<juce::String> alertTexts;
};
