#pragma once

#include <atomic>
#include <memory>

// The update's progress, 0.0 to 1.0, written by the update thread and read
// by the progress bar's side on the message thread.
class Progress
{
public:
    void set(double newValue) noexcept { value.store(newValue, std::memory_order_relaxed); }
    double get() const noexcept { return value.load(std::memory_order_relaxed); }

private:
    std::atomic<double> value{0.0};
};

using SharedProgress = std::shared_ptr<Progress>;
