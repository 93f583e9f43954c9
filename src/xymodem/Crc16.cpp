#include "Crc16.h"

namespace xymodem
{
namespace
{
constexpr uint16_t polynomial = 0x1021;

constexpr std::array<uint16_t, 16> makeNibbleTable()
{
    std::array<uint16_t, 16> table{};
    for (unsigned nibble = 0; nibble < 16; ++nibble)
    {
        auto crc = static_cast<uint16_t>(nibble << 12);
        for (int bit = 0; bit < 4; ++bit)
            crc = static_cast<uint16_t>((crc & 0x8000) != 0 ? (crc << 1) ^ polynomial : crc << 1);
        table[nibble] = crc;
    }
    return table;
}
} // namespace

const std::array<uint16_t, 16> Crc16::nibbleTable = makeNibbleTable();

uint16_t Crc16::compute(const uint8_t* data, size_t length) noexcept
{
    static constexpr auto table = makeNibbleTable();
    uint16_t crc = 0;
    for (size_t i = 0; i < length; ++i)
    {
        crc = static_cast<uint16_t>(table[(data[i] >> 4) ^ (crc >> 12)] ^ (crc << 4));
        crc = static_cast<uint16_t>(table[(data[i] & 0x0F) ^ (crc >> 12)] ^ (crc << 4));
    }
    return crc;
}
} // namespace xymodem
