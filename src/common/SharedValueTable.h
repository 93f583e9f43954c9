#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

// The table of shared values, keyed by text. A subscript with a key that is
// not in the table inserts an empty value, as a map would, but the key text
// is copied into storage owned by the table first, so no key ever dangles.
class SharedValueTable
{
public:
    using Map = std::unordered_map<std::string_view, juce::Value>;

    SharedValueTable();
    // Moving keeps every key valid: the owned key texts move with their
    // storage blocks.
    SharedValueTable(SharedValueTable&&) = default;
    SharedValueTable& operator=(SharedValueTable&&) = delete;
    SharedValueTable(const SharedValueTable&) = delete;
    SharedValueTable& operator=(const SharedValueTable&) = delete;

    juce::Value& operator[](std::string_view key);
    juce::Value& at(std::string_view key);
    const juce::Value& at(std::string_view key) const;

    bool contains(std::string_view key) const { return map.find(key) != map.end(); }
    std::size_t size() const noexcept { return map.size(); }
    float max_load_factor() const noexcept { return map.max_load_factor(); }

    Map::const_iterator begin() const noexcept { return map.begin(); }
    Map::const_iterator end() const noexcept { return map.end(); }

private:
    std::deque<std::string> ownedKeys;
    Map map;
};
