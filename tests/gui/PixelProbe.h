#pragma once

#include <juce_graphics/juce_graphics.h>

#include <functional>

namespace guitest
{
using PixelTest = std::function<bool(juce::Colour)>;

// True when every channel, alpha included, differs by at most the tolerance.
bool closeTo(juce::Colour actual, juce::Colour expected, int tolerance = 2);

// The smallest rectangle holding every pixel of the area that passes; empty
// when none does.
juce::Rectangle<int> boundsOf(const juce::Image& image, const PixelTest& test, juce::Rectangle<int> area);
juce::Rectangle<int> boundsOf(const juce::Image& image, const PixelTest& test);

int countPixels(const juce::Image& image, const PixelTest& test, juce::Rectangle<int> area);
int countPixels(const juce::Image& image, const PixelTest& test);

PixelTest isColour(juce::Colour expected, int tolerance = 2);

// Bright, nearly grey pixels: white text and its anti-aliased edges.
PixelTest isLight(int minimumLevel = 160);

float brightestLevel(const juce::Image& image, juce::Rectangle<int> area);
} // namespace guitest
