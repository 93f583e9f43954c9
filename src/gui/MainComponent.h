#pragma once

#include "common/SharedValueTable.h"
#include "gui/Footer.h"
#include "gui/HardwareInfoComponent.h"
#include "gui/Header.h"
#include "gui/ImageStorage.h"
#include "gui/UserInputComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

class Core;

// The window's content: header, keyboard picture, hardware band, update band
// and footer, each a fixed fraction of the window.
class MainComponent : public juce::Component
{
public:
    explicit MainComponent(Core& core);
    ~MainComponent() override = default;

    void paint(juce::Graphics& g) override;
    void resized() override;

private:
    Core& core;
    juce::SharedResourcePointer<ImageStorage> imageStorage;
    SharedValueTable& values;
    Header header;
    HardwareInfoComponent hardwareInfo;
    UserInputComponent userInput;
    Footer footer;
    juce::ImageComponent keyboardImage{"TaveloImage"};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MainComponent)
};
