#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The coloured dot beside "connected" / "disconnected".
class ConnectionStatusIndicator : public juce::Component
{
public:
    static const juce::Colour connectedFillColour;
    static const juce::Colour disconnectedFillColour;

    ConnectionStatusIndicator() = default;

    void setFillColour(juce::Colour colour);
    juce::Colour getFillColour() const noexcept { return fillColour; }

    void paint(juce::Graphics& g) override;

private:
    juce::Colour fillColour = disconnectedFillColour;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ConnectionStatusIndicator)
};
