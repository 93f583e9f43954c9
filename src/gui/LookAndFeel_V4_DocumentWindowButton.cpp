#include "LookAndFeel_V4_DocumentWindowButton.h"

#include "Colours.h"

LookAndFeel_V4_DocumentWindowButton::LookAndFeel_V4_DocumentWindowButton(const juce::String& name,
                                                                         juce::Colour colourToUse,
                                                                         const juce::Path& normal,
                                                                         const juce::Path& toggled)
    : juce::Button(name)
    , colour(colourToUse)
    , normalShape(normal)
    , toggledShape(toggled)
{
}

void LookAndFeel_V4_DocumentWindowButton::paintButton(juce::Graphics& g, bool shouldDrawButtonAsHighlighted,
                                                      bool shouldDrawButtonAsDown)
{
    const auto background = gui::Colours::bgTitleBar;
    g.fillAll(background);

    const auto dimmed = !isEnabled() || shouldDrawButtonAsDown;
    g.setColour(dimmed ? colour.withAlpha(0.6f) : colour);

    if (shouldDrawButtonAsHighlighted)
    {
        g.fillAll();
        g.setColour(background);
    }

    const auto& shape = getToggleState() ? toggledShape : normalShape;
    const auto height = getHeight();
    const auto area = juce::Justification(juce::Justification::centred)
                          .appliedToRectangle(juce::Rectangle<int>(height, height), getLocalBounds())
                          .toFloat()
                          .reduced(static_cast<float>(height) * 0.3f);

    g.fillPath(shape, shape.getTransformToScaleToFit(area, true));
}
