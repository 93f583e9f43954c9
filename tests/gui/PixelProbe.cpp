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

juce::Rectangle<int> boundsOf(const juce::Image& image, const PixelTest& test, juce::Rectangle<int> area)
{
    area = area.getIntersection(image.getBounds());
    int left = area.getRight(), top = area.getBottom(), right = area.getX() - 1, bottom = area.getY() - 1;
    for (auto y = area.getY(); y < area.getBottom(); ++y)
        for (auto x = area.getX(); x < area.getRight(); ++x)
            if (test(image.getPixelAt(x, y)))
            {
                left = juce::jmin(left, x);
                right = juce::jmax(right, x);
                top = juce::jmin(top, y);
                bottom = juce::jmax(bottom, y);
            }
    if (right < left)
        return {};
    return juce::Rectangle<int>::leftTopRightBottom(left, top, right + 1, bottom + 1);
}

juce::Rectangle<int> boundsOf(const juce::Image& image, const PixelTest& test)
{
    return boundsOf(image, test, image.getBounds());
}

int countPixels(const juce::Image& image, const PixelTest& test, juce::Rectangle<int> area)
{
    area = area.getIntersection(image.getBounds());
    auto count = 0;
    for (auto y = area.getY(); y < area.getBottom(); ++y)
        for (auto x = area.getX(); x < area.getRight(); ++x)
            if (test(image.getPixelAt(x, y)))
                ++count;
    return count;
}

int countPixels(const juce::Image& image, const PixelTest& test)
{
    return countPixels(image, test, image.getBounds());
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
        const auto high = juce::jmax(c.getRed(), c.getGreen(), c.getBlue());
        return c.getAlpha() > 200 && low >= minimumLevel && high - low < 40;
    };
}

float brightestLevel(const juce::Image& image, juce::Rectangle<int> area)
{
    area = area.getIntersection(image.getBounds());
    auto level = 0.0f;
    for (auto y = area.getY(); y < area.getBottom(); ++y)
        for (auto x = area.getX(); x < area.getRight(); ++x)
            level = juce::jmax(level, image.getPixelAt(x, y).getPerceivedBrightness());
    return level;
}
} // namespace guitest
