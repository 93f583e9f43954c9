#pragma once

#include <juce_core/juce_core.h>

#include <array>
#include <string_view>

namespace midiUsb
{
// Names of the instrument's MIDI ports. Wildcards: "*" any run of
// characters, "?" any one character; the whole name must match, letter case
// significant.
namespace PortNamePatterns
{
// The instrument's own ports, tried in this order.
inline constexpr std::array<std::string_view, 2> instrument{"Tavelo play", "Tavelo * 1"};
// The sound engine's ports, tried in this order.
inline constexpr std::array<std::string_view, 2> soundEngine{"Tavelo ormel", "Tavelo * 2"};

template <std::size_t size>
bool matchesAny(const juce::String& name, const std::array<std::string_view, size>& patterns)
{
    for (const auto pattern : patterns)
        if (name.matchesWildcard(juce::String(pattern.data(), pattern.size()), false))
            return true;
    return false;
}

// The patterns joined by "," for the log.
template <std::size_t size>
juce::String joined(const std::array<std::string_view, size>& patterns)
{
    juce::StringArray texts;
    for (const auto pattern : patterns)
        texts.add(juce::String(pattern.data(), pattern.size()));
    return texts.joinIntoString(",");
}
} // namespace PortNamePatterns
} // namespace midiUsb
