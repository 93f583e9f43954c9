#include "app/WindowGeometry.h"

#include <algorithm>

WindowGeometry WindowGeometry::forUserArea(juce::Rectangle<int> userArea)
{
    const auto areaHeight = static_cast<float>(userArea.getHeight());
    auto width = areaHeight * (24.0f / 17.0f);
    auto height = areaHeight * 0.8f;

    const auto areaWidth = static_cast<float>(userArea.getWidth());
    if (width > areaWidth && width > 0.0f)
    {
        const auto shrink = areaWidth / width;
        width *= shrink;
        height *= shrink;
    }

    WindowGeometry geometry{};
    geometry.width = static_cast<int>(width);
    geometry.height = static_cast<int>(height);
    const auto w = static_cast<float>(geometry.width);
    const auto h = static_cast<float>(geometry.height);
    geometry.minimumWidth = static_cast<int>(w / 1.4f);
    geometry.minimumHeight = static_cast<int>(h / 1.4f);
    geometry.maximumWidth = static_cast<int>(w * 1.4f);
    geometry.maximumHeight = static_cast<int>(h * 1.4f);
    return geometry;
}
