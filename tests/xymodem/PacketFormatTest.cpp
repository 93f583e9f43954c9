#include "Crc16.h"
#include "PacketBuilder.h"
#include "YModemPacketId.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace xymodem;
using Bytes = std::vector<uint8_t>;

namespace
{
Bytes bytesOf(std::initializer_list<uint8_t> start, const std::string& text = "")
{
    Bytes bytes(start);
    bytes.insert(bytes.end(), text.begin(), text.end());
    return bytes;
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

TEST(Crc16, MatchesTheCheckValue)
{
    const std::string check = "123456789";
    EXPECT_EQ(Crc16::compute(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x31C3);
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
    EXPECT_EQ(packet[1027] << 8 | packet[1028], Crc16::compute(packet.data() + 3, 1024));
}

INSTANTIATE_TEST_SUITE_P(
    Packets, PacketFormat,
    testing::Values(
        PacketCase{"Data", PacketBuilder::data("abc", 1), bytesOf({2, 1, 0xFE}, "abc"), 0xFF},
        PacketCase{"FullBlock", PacketBuilder::data(std::string(1024, 'Z'), 3), bytesOf({2, 3, 0xFC}), 'Z'},
        PacketCase{"NumberWrapsTo0", PacketBuilder::data("x", (++tools::YModemPacketId(255)).get()),
                   bytesOf({2, 0, 0xFF}, "x"), 0xFF},
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
