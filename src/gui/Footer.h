#pragma once

#include "gui/ImageStorage.h"

#include <juce_gui_basics/juce_gui_basics.h>

// The empty band at the bottom of the window.
class Footer : public juce::Component
{
public:
    Footer() = default;
    ~Footer() override = default;

    void paint(juce::Graphics&) override {}

private:
    juce::SharedResourcePointer<ImageStorage> imageStorage;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(Footer)
};
