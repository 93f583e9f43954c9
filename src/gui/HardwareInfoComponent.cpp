#include "gui/HardwareInfoComponent.h"

#include "common/Dictionary.h"
#include "core/Core.h"

HardwareInfoComponent::HardwareInfoComponent(Core& coreToUse)
    : core(coreToUse)
    , values(core.values)
    , serialNumber("serial n", values[Dictionary::casingSerialNumber])
    , firmwareVersion("firmware v", values[Dictionary::currentTaveloVersionKey])
    , soundEngineVersion("dsp v", values[Dictionary::currentPirelMatrixVersionKey])
    , updatePossibleBinder(values[Dictionary::canLaunchUpdate], this)
    , longOperationBinder(values[Dictionary::firmwareLongOperation], this)
{
    // Visibility is the binders' business.
    addChildComponent(serialNumber);
    addChildComponent(firmwareVersion);
    addChildComponent(soundEngineVersion);
}

void HardwareInfoComponent::valueChanged(juce::Value&)
{
    const bool updatePossible = values[Dictionary::canLaunchUpdate].getValue();
    const bool longOperation = values[Dictionary::firmwareLongOperation].getValue();
    const auto shown = updatePossible && !longOperation;
    for (auto* field : {&serialNumber, &firmwareVersion, &soundEngineVersion})
        field->setVisible(shown);
    resized();
}

void HardwareInfoComponent::resized()
{
    juce::FlexBox box(juce::FlexBox::Direction::row, juce::FlexBox::Wrap::noWrap,
                      juce::FlexBox::AlignContent::stretch, juce::FlexBox::AlignItems::center,
                      juce::FlexBox::JustifyContent::center);
    for (auto* field : {&serialNumber, &firmwareVersion, &soundEngineVersion})
        box.items.add(juce::FlexItem(*field)
                          .withFlex(1.0f, 1.0f, 0.0f)
                          .withAlignSelf(juce::FlexItem::AlignSelf::stretch)
                          .withMinHeight(40.0f));
    box.performLayout(
        juce::Rectangle<float>(0.0f, 0.0f, static_cast<float>(getWidth()), static_cast<float>(getHeight())));
}
