#pragma once

#include "common/SharedValueTable.h"
#include "common/ValueListenerBinder.h"

#include <atomic>

// Derives "Update possible." from the serial status and the firmware version.
class UpdateAvailableChecker : public juce::Value::Listener
{
public:
    explicit UpdateAvailableChecker(SharedValueTable& values);
    ~UpdateAvailableChecker() override = default;

    void valueChanged(juce::Value&) override;

    // A copy of "Update possible." that any thread may read.
    bool isUpdatePossible() const noexcept { return updatePossible.load(); }

private:
    SharedValueTable& values;
    std::atomic<bool> updatePossible{false};
    ValueListenerBinder serialStatusBinder;
    ValueListenerBinder firmwareVersionBinder;
};
