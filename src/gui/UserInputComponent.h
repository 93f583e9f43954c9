#pragma once

#include "common/SharedValueTable.h"
#include "common/ValueListenerBinder.h"
#include "gui/FirmwareUpdateComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

class Core;

// The update band: holds the update panel and shows it while an instrument
// is there, while an update runs, and while the last update's outcome is on
// show.
class UserInputComponent : public juce::Component, private juce::Value::Listener
{
public:
    explicit UserInputComponent(Core& core);
    ~UserInputComponent() override = default;

    void resized() override;

private:
    void valueChanged(juce::Value& value) override;
    void updateVisibility();

    Core& core;
    SharedValueTable& values;
    FirmwareUpdateComponent firmwareUpdate;
    ValueListenerBinder updatePossibleBinder;
    ValueListenerBinder longOperationBinder;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(UserInputComponent)
};
