#pragma once

#include <juce_graphics/juce_graphics.h>

namespace gui
{
// Every layout of the window is a set of fractions of the parent's size.
// Values are computed in single precision and each is rounded on its own,
// halves to even, so no edge depends on another edge's rounding.
int roundHalfEven(float value) noexcept;

juce::Rectangle<int> roundedRectangle(float x, float y, float width, float height) noexcept;

// (W·fx, H·fy, W·fw, H·fh) of a parent of size W × H.
juce::Rectangle<int> fractionOf(int parentWidth, int parentHeight, float fx, float fy, float fw,
                                float fh) noexcept;
} // namespace gui
