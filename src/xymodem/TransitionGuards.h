#pragma once

#include "GuardConditions.h"

#include <string_view>

namespace xymodem::transitionGuards
{
// A block is sent again at most this many times in a row.
inline constexpr long maximumResends = 11;

inline bool always(const GuardConditions&)
{
    return true;
}

template <const std::string_view& retriesKey>
bool mayRetry(const GuardConditions& conditions)
{
    return conditions.get(retriesKey) < maximumResends;
}

template <const std::string_view& retriesKey>
bool retriesExhausted(const GuardConditions& conditions)
{
    return conditions.get(retriesKey) >= maximumResends;
}
} // namespace xymodem::transitionGuards
