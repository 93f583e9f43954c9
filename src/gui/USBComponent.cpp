#include "gui/USBComponent.h"

#include "common/Dictionary.h"
#include "core/Core.h"
#include "gui/ProportionalLayout.h"

USBComponent::SerialListener::SerialListener(gui::SelectedPathLabel* labelToSet,
                                             ConnectionStatusIndicator* indicatorToSet)
    : label(labelToSet)
    , indicator(indicatorToSet)
{
}

void USBComponent::SerialListener::valueChanged(juce::Value& value)
{
    const bool connected = value.getValue();
    label->setText(connected ? "connected" : "disconnected", juce::dontSendNotification);
    indicator->setFillColour(connected ? ConnectionStatusIndicator::connectedFillColour
                                       : ConnectionStatusIndicator::disconnectedFillColour);
    indicator->repaint();
    label->setJustificationType(juce::Justification::centred);
}

USBComponent::USBComponent(Core& coreToUse)
    : core(coreToUse)
    , values(core.values)
    , serialListener(&statusLabel, &indicator)
    , serialBinder(values[Dictionary::canLaunchUpdate], &serialListener)
{
    // Right-aligned until "Update possible." first changes, centred from then on.
    statusLabel.setJustificationType(juce::Justification::centredRight);
    if (const auto typeface = fontStorage->find(FontStorage::medium))
        statusLabel.setFont(juce::Font(typeface).withHeight(25.0f));
    statusLabel.setColour(juce::Label::textColourId, juce::Colours::darkgrey);

    addAndMakeVisible(statusLabel);
    addAndMakeVisible(indicator);
    setVisible(true);
}

void USBComponent::resized()
{
    const auto w = static_cast<float>(getWidth());
    const auto h = static_cast<float>(getHeight());
    const auto innerX = 0.25f * w;
    const auto innerY = 0.4f * h;
    const auto innerW = juce::jmax(0.0f, w - 0.5f * w);
    const auto innerH = juce::jmax(0.0f, h - 0.8f * h);
    const auto labelW = 0.85f * innerW;

    statusLabel.setBounds(gui::roundedRectangle(innerX, innerY, labelW, innerH));
    indicator.setBounds(gui::roundedRectangle(innerX + labelW, innerY + 1.0f, innerW - labelW, innerH));
}
