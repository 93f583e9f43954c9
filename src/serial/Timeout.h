#pragma once

#include <cstdint>
#include <limits>

namespace serial
{

// The time-outs of a port, in milliseconds.
struct Timeout
{
    // As inter-byte time-out: no limit between bytes, and reads are paced by
    // the time the missing bytes take on the line.
    static constexpr uint32_t max() noexcept { return std::numeric_limits<uint32_t>::max(); }

    constexpr explicit Timeout(uint32_t interByte = 0, uint32_t readConstant = 0, uint32_t readMultiplier = 0,
                               uint32_t writeConstant = 0, uint32_t writeMultiplier = 0) noexcept
        : inter_byte_timeout(interByte)
        , read_timeout_constant(readConstant)
        , read_timeout_multiplier(readMultiplier)
        , write_timeout_constant(writeConstant)
        , write_timeout_multiplier(writeMultiplier)
    {
    }

    // The longest single wait for more input during a read.
    uint32_t inter_byte_timeout;
    // Fixed part of a read's deadline, and the whole wait of waitReadable().
    uint32_t read_timeout_constant;
    // Added to a read's deadline per requested byte.
    uint32_t read_timeout_multiplier;
    // Fixed part of a write's deadline.
    uint32_t write_timeout_constant;
    // Added to a write's deadline per byte to write.
    uint32_t write_timeout_multiplier;
};

} // namespace serial
