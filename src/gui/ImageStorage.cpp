#include "ImageStorage.h"

#include "EmbeddedResources.h"

ImageStorage::ImageStorage()
{
    const auto picture = gui::resources::keyboardPicturePng();
    images[keyboardKey] = juce::ImageCache::getFromMemory(picture.data, static_cast<int>(picture.size));

    const auto logo = gui::resources::logoSvg();
    if (auto drawable = juce::Drawable::createFromImageData(logo.data, logo.size))
        drawables[logoKey] = std::move(drawable);
}

const juce::Drawable* ImageStorage::findDrawable(const std::string& key) const
{
    const auto entry = drawables.find(key);
    return entry != drawables.end() ? entry->second.get() : nullptr;
}

juce::Image ImageStorage::findImage(const std::string& key) const
{
    const auto entry = images.find(key);
    return entry != images.end() ? entry->second : juce::Image();
}
