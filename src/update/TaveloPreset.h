#pragma once

#include "common/UpdateTiming.h"
#include "midiUsb/OrmelProxy.h"

#include <juce_core/juce_core.h>

#include <chrono>
#include <functional>
#include <memory>

// Stand-in until the presets land: every operation succeeds at once.
class TaveloPreset
{
public:
    TaveloPreset(std::unique_ptr<OrmelProxy> proxy, juce::File folder, const UpdateTiming& timing = {});
    std::function<void(const std::chrono::milliseconds&)> sleep;
    std::function<bool()> stopRequested = [] { return false; };
    juce::Result downloadPreset(int slot, const juce::File& groupFile);
    juce::Result downloadAllPresets();
    juce::Result uploadAllPresets();

private:
    std::unique_ptr<OrmelProxy> proxy;
};
