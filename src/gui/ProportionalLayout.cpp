#include "gui/ProportionalLayout.h"

#include <cmath>

namespace gui
{
int roundHalfEven(float value) noexcept
{
    // The default floating-point rounding mode rounds halves to even.
    return static_cast<int>(std::nearbyint(value));
}

juce::Rectangle<int> roundedRectangle(float x, float y, float width, float height) noexcept
{
    return {roundHalfEven(x), roundHalfEven(y), roundHalfEven(width), roundHalfEven(height)};
}

juce::Rectangle<int> fractionOf(int parentWidth, int parentHeight, float fx, float fy, float fw,
                                float fh) noexcept
{
    const auto w = static_cast<float>(parentWidth);
    const auto h = static_cast<float>(parentHeight);
    return roundedRectangle(w * fx, h * fy, w * fw, h * fh);
}
} // namespace gui
