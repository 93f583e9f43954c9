#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// A title-bar button (close, minimise, maximise): a shape in the button's
// colour on the title bar's black, inverted while the mouse is over it.
class LookAndFeel_V4_DocumentWindowButton : public juce::Button
{
public:
    LookAndFeel_V4_DocumentWindowButton(const juce::String& name, juce::Colour colour,
                                        const juce::Path& normalShape, const juce::Path& toggledShape);

    void paintButton(juce::Graphics& g, bool shouldDrawButtonAsHighlighted,
                     bool shouldDrawButtonAsDown) override;

private:
    const juce::Colour colour;
    const juce::Path normalShape;
    const juce::Path toggledShape;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(LookAndFeel_V4_DocumentWindowButton)
};
