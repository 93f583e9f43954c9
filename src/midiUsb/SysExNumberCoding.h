#pragma once

#include <cstdint>

namespace midiUsb
{
// The number groups inside the instrument's answers, most significant
// first. A sign byte of 01 means negative, any other value positive.
class SysExNumberCoding
{
public:
    SysExNumberCoding() = delete;

    static constexpr int signed21Size = 4;

    // hi, lo: 0 to 16,383
    static constexpr int unsigned14(const std::uint8_t* bytes) { return bytes[0] * 128 + bytes[1]; }

    // sign, m
    static constexpr int signed7(const std::uint8_t* bytes) { return applySign(bytes[0], bytes[1]); }

    // sign, g1, g2, g3: up to 2,097,151 either way
    static constexpr int signed21(const std::uint8_t* bytes)
    {
        return applySign(bytes[0], bytes[1] * 16384 + bytes[2] * 128 + bytes[3]);
    }

private:
    static constexpr int applySign(std::uint8_t sign, int magnitude)
    {
        return sign == 0x01 ? -magnitude : magnitude;
    }
};
} // namespace midiUsb
