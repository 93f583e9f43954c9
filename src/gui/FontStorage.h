#pragma once

#include <juce_graphics/juce_graphics.h>

#include <string>
#include <unordered_map>

// The embedded Poppins typefaces, created once and shared: reach it through
// juce::SharedResourcePointer<FontStorage>.
class FontStorage
{
public:
    static constexpr const char* regular = "poppinsRegular";
    static constexpr const char* semiBold = "poppinsSemiBold";
    static constexpr const char* medium = "poppinsMedium";
    static constexpr const char* light = "poppinsLight";

    FontStorage();

    // The typeface stored under the key, or nullptr; unlike the map's
    // subscript it never adds an empty entry.
    juce::Typeface::Ptr find(const std::string& key) const;

    std::unordered_map<std::string, juce::Typeface::Ptr> fonts;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(FontStorage)
};
