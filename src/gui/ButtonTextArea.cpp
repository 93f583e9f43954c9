#include "ButtonTextArea.h"

namespace gui
{
juce::Rectangle<int> buttonTextArea(int width, int height, float fontHeight, bool connectedOnLeft,
                                    bool connectedOnRight)
{
    const auto yIndent = juce::jmin(4, juce::roundToInt(static_cast<float>(height) * 0.3f));
    const auto cornerSize = juce::jmin(width, height) / 2;
    const auto margin = juce::roundToInt(fontHeight * 0.6f);
    const auto leftIndent = juce::jmin(margin, 2 + cornerSize / (connectedOnLeft ? 4 : 2));
    const auto rightIndent = juce::jmin(margin, 2 + cornerSize / (connectedOnRight ? 4 : 2));
    return {leftIndent, yIndent, width - leftIndent - rightIndent, height - yIndent * 2};
}
} // namespace gui
