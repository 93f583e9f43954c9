#pragma once

#include <juce_graphics/juce_graphics.h>

#include <functional>

namespace guitest
{
using PixelTest = std::function<bool(juce::Colour)>;

// Every channel, alpha included, within the tolerance.
bool closeTo(juce::Colour actual, juce::Colour expected, int tolerance = 2);
PixelTest isColour(juce::Colour expected, int tolerance = 2);
// Bright, nearly grey pixels: white text and its anti-aliased edges.
PixelTest isLight(int minimumLevel = 160);

// Over the area (empty: the whole image): the smallest rectangle holding the
// pixels that pass, and their number.
juce::Rectangle<int> boundsOf(const juce::Image& image, const PixelTest& test,
                              juce::Rectangle<int> area = {});
int countPixels(const juce::Image& image, const PixelTest& test, juce::Rectangle<int> area = {});
} // namespace guitest
