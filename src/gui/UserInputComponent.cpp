#include "gui/UserInputComponent.h"

#include "common/Dictionary.h"
#include "core/Core.h"

UserInputComponent::UserInputComponent(Core& coreToUse)
    : core(coreToUse)
    , values(core.values)
    , firmwareUpdate(core)
    , updatePossibleBinder(values[Dictionary::canLaunchUpdate], this)
    , longOperationBinder(values[Dictionary::firmwareLongOperation], this)
{
    firmwareUpdate.onOutcomeShownChanged = [this] { updateVisibility(); };
    addChildComponent(firmwareUpdate);
}

void UserInputComponent::valueChanged(juce::Value&)
{
    updateVisibility();
}

void UserInputComponent::updateVisibility()
{
    const bool updatePossible = values[Dictionary::canLaunchUpdate].getValue();
    const bool longOperation = values[Dictionary::firmwareLongOperation].getValue();
    // An instrument that went away during the update must not take the
    // outcome with it.
    firmwareUpdate.setVisible(updatePossible || longOperation || firmwareUpdate.isShowingOutcome());
}

void UserInputComponent::resized()
{
    firmwareUpdate.setBounds(getLocalBounds());
}
