#pragma once

#include "common/SharedValueTable.h"
#include "common/ValueListenerBinder.h"
#include "gui/ConnectionStatusIndicator.h"
#include "gui/FontStorage.h"
#include "gui/SelectedPathLabel.h"

#include <juce_gui_basics/juce_gui_basics.h>

class Core;

// The header's connection line: "connected" or "disconnected" and a dot.
class USBComponent : public juce::Component
{
public:
    explicit USBComponent(Core& core);
    ~USBComponent() override = default;

    void resized() override;

private:
    // Follows "Update possible.".
    class SerialListener : public juce::Value::Listener
    {
    public:
        SerialListener(gui::SelectedPathLabel* label, ConnectionStatusIndicator* indicator);
        void valueChanged(juce::Value& value) override;

    private:
        gui::SelectedPathLabel* const label;
        ConnectionStatusIndicator* const indicator;
    };

    Core& core;
    SharedValueTable& values;
    juce::SharedResourcePointer<FontStorage> fontStorage;
    gui::SelectedPathLabel statusLabel;
    ConnectionStatusIndicator indicator;
    SerialListener serialListener;
    ValueListenerBinder serialBinder;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(USBComponent)
};
