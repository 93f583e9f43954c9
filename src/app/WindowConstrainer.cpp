#include "app/WindowConstrainer.h"

namespace
{
// As the framework's own windows do: more than any window is high.
constexpr int wholeWindow = 0x10000;
} // namespace

void WindowConstrainer::keepTitleBarOnScreen(juce::DocumentWindow& window)
{
    const auto bar = window.getTitleBarArea();
    auto buttonsLeft = bar.getRight();
    for (const auto* button :
         {window.getMinimiseButton(), window.getMaximiseButton(), window.getCloseButton()})
        if (button != nullptr)
            buttonsLeft = juce::jmin(buttonsLeft, button->getX());

    setMinimumOnscreenAmounts(wholeWindow, window.getWidth() - buttonsLeft + grabbableWidth, bar.getBottom(),
                              bar.getX() + grabbableWidth);
}

void WindowConstrainer::checkBounds(juce::Rectangle<int>& bounds, const juce::Rectangle<int>& previousBounds,
                                    const juce::Rectangle<int>& limits, const bool isStretchingTop,
                                    const bool isStretchingLeft, const bool isStretchingBottom,
                                    const bool isStretchingRight)
{
    // The framework keeps the ratio after the on-screen amounts, so a corner
    // dragged upwards would take the top above the screen; while the top is
    // stretched, the room above the bottom edge limits the height instead.
    const auto maximumHeight = getMaximumHeight();
    if (isStretchingTop && !limits.isEmpty())
        setSizeLimits(
            getMinimumWidth(), getMinimumHeight(), getMaximumWidth(),
            juce::jlimit(getMinimumHeight(), maximumHeight, previousBounds.getBottom() - limits.getY()));

    juce::ComponentBoundsConstrainer::checkBounds(bounds, previousBounds, limits, isStretchingTop,
                                                  isStretchingLeft, isStretchingBottom, isStretchingRight);
    setSizeLimits(getMinimumWidth(), getMinimumHeight(), getMaximumWidth(), maximumHeight);

    // Keeping the ratio also centres the window on a side that is dragged,
    // which can move it past the amounts again.
    moveOnScreen(bounds, limits);
}

void WindowConstrainer::moveOnScreen(juce::Rectangle<int>& bounds, const juce::Rectangle<int>& limits) const
{
    if (limits.isEmpty() || bounds.isEmpty())
        return;

    auto x = juce::jmin(bounds.getX(),
                        limits.getRight() - juce::jmin(getMinimumWhenOffTheRight(), bounds.getWidth()));
    x = juce::jmax(x, limits.getX() + juce::jmin(getMinimumWhenOffTheLeft() - bounds.getWidth(), 0));
    auto y = juce::jmin(bounds.getY(),
                        limits.getBottom() - juce::jmin(getMinimumWhenOffTheBottom(), bounds.getHeight()));
    // Last, so the top wins on a screen too small for the rest.
    y = juce::jmax(y, limits.getY() + juce::jmin(getMinimumWhenOffTheTop() - bounds.getHeight(), 0));
    bounds.setPosition(x, y);
}
