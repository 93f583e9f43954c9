#pragma once

#include "core/SleepInhibition.h"

#include <memory>

class Core;

// Flips "firmwareLongOperation" and keeps the display awake for its lifetime;
// every change is posted to the message thread, so it may live on any thread.
class ScopedLongOperationActivator
{
public:
    explicit ScopedLongOperationActivator(Core& core);
    ~ScopedLongOperationActivator();

    ScopedLongOperationActivator(const ScopedLongOperationActivator&) = delete;
    ScopedLongOperationActivator& operator=(const ScopedLongOperationActivator&) = delete;

private:
    Core& core;
    const std::unique_ptr<SleepInhibition> sleepInhibition;
};
