#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The main window's bounds: the framework's size limits and aspect ratio, and a
// title bar that stays where it can be grabbed, however the window is dragged
// or resized.
class WindowConstrainer : public juce::ComponentBoundsConstrainer
{
public:
    // The title bar beside the buttons that stays on the screen at either side.
    static constexpr int grabbableWidth = 64;

    // Sets the on-screen amounts from the window's title bar and its buttons
    // (at the right) as they are laid out now: the top never above the screen,
    // the whole bar above its bottom.
    void keepTitleBarOnScreen(juce::DocumentWindow& window);

    void checkBounds(juce::Rectangle<int>& bounds, const juce::Rectangle<int>& previousBounds,
                     const juce::Rectangle<int>& limits, bool isStretchingTop, bool isStretchingLeft,
                     bool isStretchingBottom, bool isStretchingRight) override;

private:
    void moveOnScreen(juce::Rectangle<int>& bounds, const juce::Rectangle<int>& limits) const;
};
