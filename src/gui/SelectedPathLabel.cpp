#include "SelectedPathLabel.h"

namespace gui
{
SelectedPathLabel::SelectedPathLabel()
{
    setJustificationType(juce::Justification::centredRight);
}
} // namespace gui
