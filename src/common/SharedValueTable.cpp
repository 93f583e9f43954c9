#include "common/SharedValueTable.h"

SharedValueTable::SharedValueTable()
{
    map.max_load_factor(1.0f);
}

juce::Value& SharedValueTable::operator[](std::string_view key)
{
    if (const auto found = map.find(key); found != map.end())
        return found->second;

    const std::string_view ownedKey = ownedKeys.emplace_back(key);
    return map[ownedKey];
}

juce::Value& SharedValueTable::at(std::string_view key)
{
    return map.at(key);
}

const juce::Value& SharedValueTable::at(std::string_view key) const
{
    return map.at(key);
}
