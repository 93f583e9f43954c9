#include "core/UpdateAvailableChecker.h"

#include "common/Dictionary.h"
#include "common/JuceStrings.h"

UpdateAvailableChecker::UpdateAvailableChecker(SharedValueTable& table)
    : values(table)
    , serialStatusBinder(values[Dictionary::taveloSerialStatus], this)
    , firmwareVersionBinder(values[Dictionary::currentTaveloVersionKey], this)
{
}

void UpdateAvailableChecker::valueChanged(juce::Value&)
{
    const bool serialPortPresent = values[Dictionary::taveloSerialStatus].getValue();
    const auto version = values[Dictionary::currentTaveloVersionKey].toString();
    const bool possible = serialPortPresent || version != utils::toJuceString(Dictionary::noVersionFound);

    updatePossible.store(possible);
    values[Dictionary::canLaunchUpdate] = possible;
}
