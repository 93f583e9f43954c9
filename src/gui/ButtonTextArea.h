#pragma once

#include <juce_graphics/juce_graphics.h>

namespace gui
{
// Where a text button's text goes: inset from the edges by margins that grow
// with the font and shrink on an edge joined to a neighbouring button. The
// area may have no width left, in which case nothing is drawn.
juce::Rectangle<int> buttonTextArea(int width, int height, float fontHeight, bool connectedOnLeft,
                                    bool connectedOnRight);
} // namespace gui
