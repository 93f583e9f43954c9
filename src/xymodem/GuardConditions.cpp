#include "GuardConditions.h"

namespace xymodem
{
long GuardConditions::get(std::string_view key) const
{
    return counters.at(key);
}

void GuardConditions::set(std::string_view key, long value)
{
    counters.at(key) = value;
}

void GuardConditions::inc(std::string_view key)
{
    ++counters.at(key);
}

void GuardConditions::dec(std::string_view key)
{
    --counters.at(key);
}

void GuardConditions::addGuard(std::string_view key, long value)
{
    counters[key] = value;
}

void GuardConditions::addGuards(const std::vector<std::pair<std::string_view, long>>& keysAndValues)
{
    for (const auto& [key, value] : keysAndValues)
        counters.emplace(key, value);
}

void GuardConditions::clear()
{
    for (auto& entry : counters)
        entry.second = 0;
}
} // namespace xymodem
