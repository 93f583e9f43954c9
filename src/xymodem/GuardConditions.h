#pragma once

#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace xymodem
{
// Named counters that the transition guards read. The map holds views, so
// every key must outlive the object: use string constants.
class GuardConditions
{
public:
    // The accessors throw std::out_of_range for a key that was never added.
    long get(std::string_view key) const;
    void set(std::string_view key, long value);
    void inc(std::string_view key);
    void dec(std::string_view key);

    // Inserts the key or overwrites its value.
    void addGuard(std::string_view key, long value);
    // Inserts the absent keys only; present keys keep their values.
    void addGuards(const std::vector<std::pair<std::string_view, long>>& keysAndValues);

    // Every value back to 0; the keys stay.
    void clear();

private:
    std::unordered_map<std::string_view, long> counters;
};
} // namespace xymodem
