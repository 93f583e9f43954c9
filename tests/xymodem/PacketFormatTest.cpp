#include "Crc16.h"
#include "PacketBuilder.h"
#include "YModemPacketId.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using namespace xymodem;
using Bytes = std::vector<uint8_t>;

namespace
{
// The textbook bit-at-a-time CRC-16/XMODEM, to hold the table version against.
uint16_t bitwiseCrc(const uint8_t* data, size_t length)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < length; ++i)
    {
        crc = static_cast<uint16_t>(crc ^ (data[i] << 8));
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<uint16_t>((crc & 0x8000) != 0 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

Bytes bytesOf(std::initializer_list<uint8_t> start, const std::string& text = "")
{
    Bytes bytes(start);
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
}

// The number after `from` or before it, as the sender counts.
uint8_t stepped(uint8_t from, bool up)
{
    tools::YModemPacketId id(from);
    return up ? (++id).get() : static_cast<uint8_t>(--id);
}

// A packet: its first bytes, then `fill` up to the CRC over the payload.
struct PacketCase
{
    const char* name;
    Packet packet;
    Bytes front;
    uint8_t fill;
};

void PrintTo(const PacketCase& row, std::ostream* out)
{
    *out << row.name;
}
} // namespace

TEST(Crc16, MatchesTheCheckValueAndABitwiseCrc)
{
    const std::string check = "123456789";
    EXPECT_EQ(Crc16::compute(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x31C3);
    const Bytes ones(1024, 0xFF);
    EXPECT_EQ(Crc16::compute(ones.data(), ones.size()), 0xC084);

    std::mt19937 generator(7);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<size_t> length(0, 2048);
    for (int round = 0; round < 500; ++round)
    {
        Bytes data(length(generator));
        for (auto& b : data)
            b = static_cast<uint8_t>(byte(generator));
        ASSERT_EQ(Crc16::compute(data.data(), data.size()), bitwiseCrc(data.data(), data.size()));
    }
}

class PacketFormat : public testing::TestWithParam<PacketCase>
{
};

TEST_P(PacketFormat, FrontFillAndCrc)
{
    const auto& row = GetParam();
    const auto& packet = row.packet;
    ASSERT_EQ(packet.size(), 1029u);
    EXPECT_EQ(Bytes(packet.begin(), packet.begin() + static_cast<long>(row.front.size())), row.front);
    for (size_t i = row.front.size(); i < 1027; ++i)
        ASSERT_EQ(packet[i], row.fill) << "offset " << i;
    EXPECT_EQ(packet[1027] << 8 | packet[1028], bitwiseCrc(packet.data() + 3, 1024));
}

INSTANTIATE_TEST_SUITE_P(
    Packets, PacketFormat,
    testing::Values(
        PacketCase{"Data", PacketBuilder::data("abc", 1), bytesOf({2, 1, 0xFE}, "abc"), 0xFF},
        PacketCase{"OneZeroByte", PacketBuilder::data(std::string(1, '\0'), 7), bytesOf({2, 7, 0xF8, 0}),
                   0xFF},
        PacketCase{"FullBlock", PacketBuilder::data(std::string(1024, 'Z'), 3), bytesOf({2, 3, 0xFC}), 'Z'},
        PacketCase{"Number255", PacketBuilder::data("x", stepped(254, true)), bytesOf({2, 255, 0}, "x"),
                   0xFF},
        PacketCase{"NumberWrapsTo0", PacketBuilder::data("x", stepped(255, true)), bytesOf({2, 0, 0xFF}, "x"),
                   0xFF},
        PacketCase{"NumberWrapsBackTo255", PacketBuilder::data("x", stepped(0, false)),
                   bytesOf({2, 255, 0}, "x"), 0xFF},
        PacketCase{"Header", PacketBuilder::header("a.dat", 2048, 1600000000LL * 1000000),
                   bytesOf({2, 0, 0xFF}, std::string("a.dat") + '\0' + "2048 1600000000000000"), 0},
        // Name, NUL, "1 0" and the terminating NUL fill the payload exactly.
        PacketCase{"FullestHeader", PacketBuilder::header(std::string(1019, 'n'), 1, 0),
                   bytesOf({2, 0, 0xFF}, std::string(1019, 'n') + '\0' + "1 0"), 0},
        PacketCase{"EndOfBatch", PacketBuilder::endOfBatch(), bytesOf({2, 0, 0xFF}), 0}),
    [](const testing::TestParamInfo<PacketCase>& row) { return std::string(row.param.name); });

TEST(PacketFormat, RefusesBlocksAndNamesThatDoNotFit)
{
    EXPECT_THROW(PacketBuilder::data(std::string(1025, 'x'), 1), std::length_error);
    EXPECT_THROW(PacketBuilder::header(std::string(1020, 'n'), 1, 0), std::length_error);
}
