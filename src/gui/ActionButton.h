#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace gui
{
// The black button with white text of the update panel.
class ActionButton : public juce::TextButton
{
public:
    ActionButton();

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ActionButton)
};
} // namespace gui
