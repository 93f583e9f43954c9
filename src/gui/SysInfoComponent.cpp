#include "gui/SysInfoComponent.h"

#include "common/Dictionary.h"
#include "common/JuceStrings.h"
#include "gui/Colours.h"
#include "gui/ProportionalLayout.h"

namespace
{
juce::Font fieldFont(const FontStorage& fonts, const char* key)
{
    const auto typeface = fonts.find(key);
    const auto font = typeface != nullptr ? juce::Font(typeface) : juce::Font();
    return font.withHeight(14.0f).withHorizontalScale(1.0f);
}
} // namespace

SysInfoComponent::SysInfoComponent(const juce::String& fieldTitle, const juce::Value& sharedValue)
    : title(fieldTitle)
    , value(sharedValue)
    , binder(value, this)
{
    editor.setReadOnly(true);
    editor.setJustification(juce::Justification::centred);
    editor.setMultiLine(true, true);
    editor.setColour(juce::TextEditor::backgroundColourId, juce::Colours::transparentBlack);
    editor.setColour(juce::TextEditor::outlineColourId, juce::Colours::transparentBlack);
    // Until the value first changes, whatever it held at start-up.
    displayText = utils::toJuceString(Dictionary::noVersionFound);
    addAndMakeVisible(editor);
}

void SysInfoComponent::valueChanged(juce::Value& changed)
{
    displayText = changed.toString();
    resized();
}

void SysInfoComponent::resized()
{
    editor.clear();
    editor.setFont(fieldFont(*fontStorage, FontStorage::regular));
    editor.insertTextAtCaret(title + ".  ");
    editor.setFont(fieldFont(*fontStorage, FontStorage::semiBold));
    editor.insertTextAtCaret(displayText);

    const auto height = static_cast<float>(getHeight());
    editor.setBounds(0, gui::roundHalfEven(0.3f * height), getWidth(), gui::roundHalfEven(0.2f * height));

    const auto end = editor.getCaretRectangle();
    editor.setCaretPosition(0);
    const auto start = editor.getCaretRectangle();
    underline.setBounds(start.getX() + 2 * start.getWidth(), editor.getBottom(), end.getX() - start.getX(),
                        2);

    repaint();
}

void SysInfoComponent::paint(juce::Graphics& g)
{
    g.setColour(gui::Colours::green);
    g.fillRect(underline.getBounds());
}
