#include "gui/MainComponent.h"

#include "core/Core.h"
#include "gui/Colours.h"
#include "gui/ProportionalLayout.h"

MainComponent::MainComponent(Core& coreToUse)
    : core(coreToUse)
    , values(core.values)
    , header(core)
    , hardwareInfo(core)
    , userInput(core)
{
    // Later children lie above earlier ones: the bands over the picture.
    addAndMakeVisible(keyboardImage);
    addAndMakeVisible(hardwareInfo);
    addAndMakeVisible(userInput);
    addAndMakeVisible(footer);
    addAndMakeVisible(header);
}

void MainComponent::paint(juce::Graphics& g)
{
    g.fillAll(gui::Colours::greyBackground);
    // Repaints the picture only when it differs, so only on the first paint.
    keyboardImage.setImage(imageStorage->findImage(ImageStorage::keyboardKey));
}

void MainComponent::resized()
{
    const auto w = getWidth();
    const auto h = getHeight();
    hardwareInfo.setBounds(gui::fractionOf(w, h, 0.1f, 0.85f, 0.8f, 0.15f));
    userInput.setBounds(gui::fractionOf(w, h, 0.1f, 0.72f, 0.8f, 0.15f));
    footer.setBounds(gui::fractionOf(w, h, 0.0f, 0.95f, 1.0f, 0.05f));
    keyboardImage.setBounds(gui::fractionOf(w, h, -0.06f, 0.1f, 1.1f, 0.7f));
    header.setBounds(gui::fractionOf(w, h, 0.0f, 0.0f, 1.0f, 0.15f));
}
