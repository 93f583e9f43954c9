#pragma once

#include "common/Progress.h"

// The number a progress bar shows: a copy of the shared progress that the
// message thread refreshes while an update runs, so the bar's own polling
// never touches the atomic.
class ProgressMirror
{
public:
    explicit ProgressMirror(SharedProgress source);

    // The bar keeps a reference to it.
    double& value() noexcept { return mirrored; }

    void refresh() noexcept;

private:
    const SharedProgress source;
    double mirrored = 0.0;
};
