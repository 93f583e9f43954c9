#pragma once

#include "DefaultLabel.h"

namespace gui
{
// A default label whose text is pushed to the right, so a long path keeps its
// file name in view.
class SelectedPathLabel : public DefaultLabel
{
public:
    SelectedPathLabel();

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(SelectedPathLabel)
};
} // namespace gui
