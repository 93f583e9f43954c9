#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <string>
#include <unordered_map>

// The embedded pictures, decoded once and shared: reach it through
// juce::SharedResourcePointer<ImageStorage>.
class ImageStorage
{
public:
    static constexpr const char* keyboardKey = "taveloKeyboard";
    static constexpr const char* logoKey = "header";

    ImageStorage();

    // The drawable stored under the key, or nullptr (a logo that did not
    // parse is not stored, so callers must check).
    const juce::Drawable* findDrawable(const std::string& key) const;

    // The image stored under the key, or an invalid image.
    juce::Image findImage(const std::string& key) const;

    std::unordered_map<std::string, std::unique_ptr<juce::Drawable>> drawables;
    std::unordered_map<std::string, juce::Image> images;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ImageStorage)
};
