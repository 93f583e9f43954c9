#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string_view>

namespace midiUsb
{
// The names of the instrument's factory tests, of their steps and of a
// step's result, as the test log answers give them by number. Built before
// main and never changed, so any thread may read them.
class SysExFactory
{
public:
    // Walked from the first entry to the last, a table visits its ids in
    // descending order (the back-up asks for test 13 first).
    using Table = std::map<unsigned int, std::string_view, std::greater<unsigned int>>;

    SysExFactory() = delete;

    static const Table status;
    static const Table testIDs;
    static const Table instructionIDs;

    // The text of an id, or nothing when the table has no such row.
    static std::optional<std::string_view> find(const Table& table, unsigned int id);
};
} // namespace midiUsb
