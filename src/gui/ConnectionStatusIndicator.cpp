#include "gui/ConnectionStatusIndicator.h"

// JUCE's limegreen and red, spelled out: another unit's constants may not be
// initialised yet while these are.
const juce::Colour ConnectionStatusIndicator::connectedFillColour{0xff32cd32};
const juce::Colour ConnectionStatusIndicator::disconnectedFillColour{0xffff0000};

void ConnectionStatusIndicator::setFillColour(juce::Colour colour)
{
    fillColour = colour;
}

void ConnectionStatusIndicator::paint(juce::Graphics& g)
{
    const auto w = static_cast<float>(getWidth());
    const auto h = static_cast<float>(getHeight());
    const auto diameter = juce::jmin(w, h) / 2.0f;
    g.setColour(fillColour);
    g.fillEllipse((w - diameter) / 2.0f, (h - diameter) / 2.0f, diameter, diameter);
}
