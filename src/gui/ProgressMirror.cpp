#include "gui/ProgressMirror.h"

#include <algorithm>

namespace
{
// The framework's bar repaints on every poll while its number is 1.0 or more;
// just under it the bar is still full and reads 100 %, and stays still.
constexpr double fullButStill = 0.99999;
} // namespace

ProgressMirror::ProgressMirror(SharedProgress sourceToMirror)
    : source(std::move(sourceToMirror))
{
    refresh();
}

void ProgressMirror::refresh() noexcept
{
    mirrored = std::clamp(source->get(), 0.0, fullButStill);
}
