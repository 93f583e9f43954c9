#include "PixelProbe.h"

#include <cstdlib>

namespace guitest
{
bool closeTo(juce::Colour actual, juce::Colour expected, int tolerance)
{
    const auto near = [tolerance](int a, int b) { return std::abs(a - b) <= tolerance; };
    return near(actual.getAlpha(), expected.getAlpha()) && near(actual.getRed(), expected.getRed()) &&
           near(actual.getGreen(), expected.getGreen()) && near(actual.getBlue(), expected.getBlue());
}

PixelTest isColour(juce::Colour expected, int tolerance)
{
    return [expected, tolerance](juce::Colour c) { return closeTo(c, expected, tolerance); };
}

PixelTest isLight(int minimumLevel)
{
    return [minimumLevel](juce::Colour c)
    {
        const auto low = juce::jmin(c.getRed(), c.getGreen(), c.getBlue());
        return c.getAlpha() > 200 && low >= minimumLevel &&
               juce::jmax(c.getRed(), c.getGreen(), c.getBlue()) - low < 40;
    };
}

juce::Rectangle<int> boundsOf(const juce::Image& image, const PixelTest& test, juce::Rectangle<int> area)
{
    area = area.isEmpty() ? image.getBounds() : area.getIntersection(image.getBounds());
    juce::Rectangle<int> found;
    for (auto y = area.getY(); y < area.getBottom(); ++y)
        for (auto x = area.getX(); x < area.getRight(); ++x)
            if (test(image.getPixelAt(x, y)))
                found = found.isEmpty() ? juce::Rectangle<int>(x, y, 1, 1) : found.getUnion({x, y, 1, 1});
    return found;
}

int countPixels(const juce::Image& image, const PixelTest& test, juce::Rectangle<int> area)
{
    area = area.isEmpty() ? image.getBounds() : area.getIntersection(image.getBounds());
    auto count = 0;
    for (auto y = area.getY(); y < area.getBottom(); ++y)
        for (auto x = area.getX(); x < area.getRight(); ++x)
            count += test(image.getPixelAt(x, y)) ? 1 : 0;
    return count;
}
} // namespace guitest
