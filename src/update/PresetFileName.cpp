#include "update/PresetFileName.h"

#include <fmt/format.h>

#include <regex>

namespace
{
bool needsEscape(unsigned char byte, bool isFirst)
{
    if (byte < 0x20 || byte >= 0x7F)
        return true;
    // JUCE takes a leading "~" for a home folder and a leading "." hides
    // the file or climbs out of the folder.
    if (isFirst && (byte == '.' || byte == '~'))
        return true;
    return std::string_view("/\\%,\"#").find(static_cast<char>(byte)) != std::string_view::npos;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}
} // namespace

juce::String PresetFileName::encode(const std::string& name)
{
    std::string stem;
    for (std::size_t i = 0; i < name.size(); ++i)
    {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (needsEscape(byte, i == 0))
            stem += fmt::format("%{:02X}", byte);
        else
            stem += static_cast<char>(byte);
    }
    // Only printable ASCII is left.
    return juce::String(stem);
}

std::string PresetFileName::decode(const juce::String& stem)
{
    static const std::regex clashSuffix("#[0-9]+-[0-9]+$");
    const auto text = std::regex_replace(stem.toStdString(), clashSuffix, "");

    std::string name;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0)
        {
            name += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        }
        else
            name += text[i];
    }
    return name;
}

juce::String PresetFileName::stemOf(const juce::String& fileName)
{
    if (fileName.endsWithIgnoreCase(extension))
        return fileName.dropLastCharacters(juce::String(extension).length());
    return fileName.containsChar('.') ? fileName.upToLastOccurrenceOf(".", false, false) : fileName;
}

juce::String PresetFileName::fileNameFor(const std::string& name, int group, int slot)
{
    auto stem = encode(name);
    // An empty name would give the hidden ".mid": it takes the suffix alone,
    // which decodes back to the empty name.
    if (stem.isEmpty() || !taken.insert(stem.toLowerCase()).second)
    {
        stem << "#" << group << "-" << slot;
        taken.insert(stem.toLowerCase());
    }
    return stem + extension;
}
