#include "DefaultLabel.h"

#include "Colours.h"

namespace gui
{
DefaultLabel::DefaultLabel()
    : juce::Label({}, {})
{
    const auto height = juce::jlimit(0.1f, 10000.0f, getFont().getHeight());
    setFont(juce::Font(height, juce::Font::bold));
    setColour(juce::Label::textColourId, Colours::black);
}
} // namespace gui
