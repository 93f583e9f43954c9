#pragma once

#include "gui/ImageStorage.h"
#include "gui/USBComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

class Core;

// The top band: the logo in the middle, the connection line on the right.
class Header : public juce::Component
{
public:
    explicit Header(Core& core);
    ~Header() override = default;

    void paint(juce::Graphics& g) override;
    void resized() override;

private:
    juce::SharedResourcePointer<ImageStorage> imageStorage;
    USBComponent usbComponent;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(Header)
};
