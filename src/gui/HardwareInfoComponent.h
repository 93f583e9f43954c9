#pragma once

#include "common/SharedValueTable.h"
#include "common/ValueListenerBinder.h"
#include "gui/SysInfoComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

class Core;

// The band with the instrument's serial number, firmware and sound-engine
// versions, shown while an instrument is there and no update runs.
class HardwareInfoComponent : public juce::Component, private juce::Value::Listener
{
public:
    explicit HardwareInfoComponent(Core& core);
    ~HardwareInfoComponent() override = default;

    void resized() override;

private:
    void valueChanged(juce::Value& value) override;

    Core& core;
    SharedValueTable& values;
    SysInfoComponent serialNumber;
    SysInfoComponent firmwareVersion;
    SysInfoComponent soundEngineVersion;
    ValueListenerBinder updatePossibleBinder;
    ValueListenerBinder longOperationBinder;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(HardwareInfoComponent)
};
