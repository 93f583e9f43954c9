#include "UpdateAvailableChecker.h"

#include "Dictionary.h"

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
    const bool possible = serialPortPresent || version != juce::String(Dictionary::noVersionFound.data(),
                                                                       Dictionary::noVersionFound.size());

    updatePossible.store(possible);
    values[Dictionary::canLaunchUpdate] = possible;
}
