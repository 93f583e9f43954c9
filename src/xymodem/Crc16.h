#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace xymodem
{
// CRC-16/XMODEM: polynomial 0x1021, initial value 0, no reflection, no final
// XOR. Computed a nibble at a time, so the table has 16 entries.
class Crc16
{
public:
    static uint16_t compute(const uint8_t* data, size_t length) noexcept;

    // Entry i is the register after shifting i, placed in the top four bits,
    // through the polynomial four times.
    static const std::array<uint16_t, 16> nibbleTable;
};
} // namespace xymodem
