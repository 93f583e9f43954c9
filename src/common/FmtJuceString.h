#pragma once

#include <juce_core/juce_core.h>

#include <fmt/format.h>

#include <string_view>

// Lets every "{}" placeholder take a juce::String as it is, without a copy.
template <>
struct fmt::formatter<juce::String> : fmt::formatter<std::string_view>
{
    template <typename FormatContext>
    auto format(const juce::String& text, FormatContext& context) const
    {
        return fmt::formatter<std::string_view>::format(
            std::string_view(text.toRawUTF8(), text.getNumBytesAsUTF8()), context);
    }
};
