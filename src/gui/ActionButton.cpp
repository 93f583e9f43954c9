#include "ActionButton.h"

#include "Colours.h"

namespace gui
{
ActionButton::ActionButton()
{
    setColour(juce::TextButton::textColourOnId, Colours::white);
    setColour(juce::TextButton::textColourOffId, Colours::white);
    setColour(juce::TextButton::buttonColourId, Colours::buttonDefault);
    setColour(juce::TextButton::buttonOnColourId, Colours::buttonHighlighted);
}
} // namespace gui
