#pragma once

#include "common/ValueListenerBinder.h"
#include "gui/FontStorage.h"

#include <juce_gui_basics/juce_gui_basics.h>

// One read-only field of the hardware band: "title.  value", the value in
// semi-bold, underlined in green.
class SysInfoComponent : public juce::Component, private juce::Value::Listener
{
public:
    SysInfoComponent(const juce::String& title, const juce::Value& value);
    ~SysInfoComponent() override = default;

    void paint(juce::Graphics& g) override;
    void resized() override;

    // What the field shows, as the user reads it.
    juce::String getText() const { return editor.getText(); }

private:
    void valueChanged(juce::Value& value) override;

    const juce::String title;
    juce::Value value;
    juce::SharedResourcePointer<FontStorage> fontStorage;
    juce::TextEditor editor;
    juce::String displayText;
    // Holds only the rectangle that paint() fills; never a child.
    juce::Component underline;
    ValueListenerBinder binder;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(SysInfoComponent)
};
