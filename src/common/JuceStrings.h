#pragma once

#include <juce_core/juce_core.h>

#include <string_view>

namespace utils
{
// The shared-value keys and placeholders are string views; the values hold
// juce::Strings.
inline juce::String toJuceString(std::string_view text)
{
    return juce::String(text.data(), text.size());
}
} // namespace utils
