#pragma once

#include <cstdint>

namespace tools
{
// An 8-bit packet number: counts up and down modulo 256, as on the wire.
class YModemPacketId
{
public:
    constexpr explicit YModemPacketId(uint8_t value = 0) noexcept
        : id(value)
    {
    }

    constexpr uint8_t get() const noexcept { return id; }
    constexpr operator uint8_t() const noexcept { return id; }

    constexpr YModemPacketId& operator++() noexcept
    {
        id = static_cast<uint8_t>(id + 1);
        return *this;
    }

    constexpr YModemPacketId& operator--() noexcept
    {
        id = static_cast<uint8_t>(id - 1);
        return *this;
    }

private:
    uint8_t id;
};
} // namespace tools
