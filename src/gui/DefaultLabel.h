#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace gui
{
// A label in bold black text.
class DefaultLabel : public juce::Label
{
public:
    DefaultLabel();

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(DefaultLabel)
};
} // namespace gui
