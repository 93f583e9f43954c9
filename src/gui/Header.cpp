#include "gui/Header.h"

#include "gui/Colours.h"
#include "gui/ProportionalLayout.h"

Header::Header(Core& core)
    : usbComponent(core)
{
    addAndMakeVisible(usbComponent);
}

void Header::paint(juce::Graphics& g)
{
    g.setColour(gui::Colours::white);
    const auto* logo = imageStorage->findDrawable(ImageStorage::logoKey);
    if (logo == nullptr)
        return;
    const auto w = static_cast<float>(getWidth());
    const auto h = static_cast<float>(getHeight());
    logo->drawWithin(g, {0.4f * w, 0.4f * h, 0.2f * w, 0.2f * h}, juce::RectanglePlacement::centred, 1.0f);
}

void Header::resized()
{
    usbComponent.setBounds(gui::fractionOf(getWidth(), getHeight(), 0.8f, 0.0f, 0.2f, 1.0f));
}
