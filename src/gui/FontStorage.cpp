#include "FontStorage.h"

#include "EmbeddedResources.h"

namespace
{
juce::Typeface::Ptr typefaceFrom(const gui::resources::Resource& resource)
{
    return juce::Typeface::createSystemTypefaceFor(resource.data, resource.size);
}
} // namespace

FontStorage::FontStorage()
{
    fonts[regular] = typefaceFrom(gui::resources::poppinsRegularTtf());
    fonts[semiBold] = typefaceFrom(gui::resources::poppinsSemiBoldTtf());
    fonts[medium] = typefaceFrom(gui::resources::poppinsMediumTtf());
    fonts[light] = typefaceFrom(gui::resources::poppinsLightTtf());
}

juce::Typeface::Ptr FontStorage::find(const std::string& key) const
{
    const auto entry = fonts.find(key);
    return entry != fonts.end() ? entry->second : nullptr;
}
