#include "update/TaveloPreset.h"

TaveloPreset::TaveloPreset(std::unique_ptr<OrmelProxy> proxyToUse, juce::File, const UpdateTiming&)
    : proxy(std::move(proxyToUse))
{
}

juce::Result TaveloPreset::downloadPreset(int, const juce::File&)
{
    return juce::Result::ok();
}

juce::Result TaveloPreset::downloadAllPresets()
{
    return juce::Result::ok();
}

juce::Result TaveloPreset::uploadAllPresets()
{
    return juce::Result::ok();
}
