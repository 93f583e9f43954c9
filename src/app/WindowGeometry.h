#pragma once

#include <juce_graphics/juce_graphics.h>

// The main window's size and limits for a display's user area.
struct WindowGeometry
{
    int width;
    int height;
    int minimumWidth;
    int minimumHeight;
    int maximumWidth;
    int maximumHeight;

    static constexpr double aspectRatio = 30.0 / 17.0;

    // The height sets the size (24/17 by 0.8 of it); when that is wider than
    // the user area, both sides shrink by the same factor to fit.
    static WindowGeometry forUserArea(juce::Rectangle<int> userArea);
};
