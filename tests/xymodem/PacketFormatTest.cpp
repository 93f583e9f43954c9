#include "ControlBytes.h"
#include "Crc16.h"
#include "GuardConditions.h"
#include "PacketBuilder.h"
#include "YModemPacketId.h"
#include "support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using namespace xymodem;

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

uint16_t packetCrc(const Packet& packet)
{
    return static_cast<uint16_t>(packet[1027] << 8 | packet[1028]);
}

std::vector<uint8_t> payloadOf(const Packet& packet)
{
    return {packet.begin() + 3, packet.begin() + 1027};
}
} // namespace

TEST(Crc16, MatchesTheCheckValueAndKnownPayloads)
{
    const std::string check = "123456789";
    EXPECT_EQ(Crc16::compute(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x31C3);

    const std::vector<uint8_t> ones(1024, 0xFF);
    EXPECT_EQ(Crc16::compute(ones.data(), ones.size()), 0xC084);

    EXPECT_EQ(Crc16::nibbleTable[0], 0x0000);
    EXPECT_EQ(Crc16::nibbleTable[1], 0x1021);
    EXPECT_EQ(Crc16::nibbleTable[2], 0x2042);
    EXPECT_EQ(Crc16::nibbleTable[3], 0x3063);
    EXPECT_EQ(Crc16::nibbleTable[15], 0xF1EF);
}

TEST(Crc16, AgreesWithABitwiseCrcOnRandomPayloads)
{
    std::mt19937 generator(7);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<size_t> length(0, 2048);
    for (int round = 0; round < 500; ++round)
    {
        std::vector<uint8_t> data(length(generator));
        for (auto& b : data)
            b = static_cast<uint8_t>(byte(generator));
        ASSERT_EQ(Crc16::compute(data.data(), data.size()), bitwiseCrc(data.data(), data.size()))
            << "length " << data.size();
    }
}

TEST(PacketFormat, DataPacketsCarryNumberComplementFillAndCrc)
{
    const auto packet = PacketBuilder::data("abc", 1);
    EXPECT_EQ(packet.size(), 1029u);
    EXPECT_EQ(packet[0], 0x02);
    EXPECT_EQ(packet[1], 0x01);
    EXPECT_EQ(packet[2], 0xFE);
    EXPECT_EQ(packet[3], 'a');
    EXPECT_EQ(packet[4], 'b');
    EXPECT_EQ(packet[5], 'c');
    for (size_t i = 6; i < 1027; ++i)
        ASSERT_EQ(packet[i], 0xFF) << "offset " << i;
    const auto payload = payloadOf(packet);
    EXPECT_EQ(packetCrc(packet), bitwiseCrc(payload.data(), payload.size()));
    EXPECT_EQ(PacketBuilder::describe(packet).rfind("0x02,0x01,0xfe,0x61,0x62,0x63,0xff,", 0), 0u);

    const auto oneByte = PacketBuilder::data(std::string(1, '\x00'), 7);
    EXPECT_EQ(oneByte[3], 0x00);
    EXPECT_EQ(oneByte[4], 0xFF);
    EXPECT_EQ(oneByte[1026], 0xFF);

    const auto full = PacketBuilder::data(std::string(1024, '\x5A'), 3);
    for (size_t i = 3; i < 1027; ++i)
        ASSERT_EQ(full[i], 0x5A);
    EXPECT_THROW(PacketBuilder::data(std::string(1025, 'x'), 1), std::length_error);
}

TEST(PacketFormat, PacketNumberWrapsAfter255)
{
    tools::YModemPacketId id(254);
    ++id;
    EXPECT_EQ(id.get(), 255);
    EXPECT_EQ(PacketBuilder::data("x", id)[2], 0x00);
    ++id;
    EXPECT_EQ(id.get(), 0);
    EXPECT_EQ(PacketBuilder::data("x", id)[2], 0xFF);
    --id;
    EXPECT_EQ(static_cast<uint8_t>(id), 255);
}

TEST(PacketFormat, HeaderHoldsNameSizeAndMicrosecondTime)
{
    const auto packet = PacketBuilder::header("a.dat", 2048, 1600000000LL * 1000000);
    EXPECT_EQ(packet[0], 0x02);
    EXPECT_EQ(packet[1], 0x00);
    EXPECT_EQ(packet[2], 0xFF);
    const std::string expected = std::string("a.dat") + '\0' + "2048 1600000000000000";
    const auto payload = payloadOf(packet);
    EXPECT_EQ(std::string(payload.begin(), payload.begin() + static_cast<long>(expected.size())), expected);
    for (size_t i = expected.size(); i < payload.size(); ++i)
        ASSERT_EQ(payload[i], 0x00) << "offset " << i;
    EXPECT_EQ(packetCrc(packet), bitwiseCrc(payload.data(), payload.size()));
}

TEST(PacketFormat, HeaderRefusesANameThatLeavesNoRoom)
{
    // Name, NUL, "1 0" and a terminating NUL fill the payload exactly at 1019.
    const auto fullest = PacketBuilder::header(std::string(1019, 'n'), 1, 0);
    EXPECT_EQ(fullest[1025], '0');
    EXPECT_EQ(fullest[1026], 0x00);
    EXPECT_THROW(PacketBuilder::header(std::string(1020, 'n'), 1, 0), std::length_error);
    EXPECT_THROW(PacketBuilder::header(std::string(5000, 'n'), 1, 0), std::length_error);
}

TEST(PacketFormat, EndOfBatchIsAnEmptyPacketZero)
{
    const auto packet = PacketBuilder::endOfBatch();
    EXPECT_EQ(packet[0], 0x02);
    EXPECT_EQ(packet[1], 0x00);
    EXPECT_EQ(packet[2], 0xFF);
    for (size_t i = 3; i < 1029; ++i)
        ASSERT_EQ(packet[i], 0x00) << "offset " << i;
}

TEST(GuardConditions, CountsNamedValuesAndRefusesUnknownKeys)
{
    GuardConditions guards;
    guards.addGuards({{"a", 3}, {"b", 5}});
    guards.addGuards({{"a", 9}});
    EXPECT_EQ(guards.get("a"), 3);
    guards.addGuard("a", 9);
    EXPECT_EQ(guards.get("a"), 9);
    guards.inc("b");
    guards.dec("a");
    EXPECT_EQ(guards.get("b"), 6);
    EXPECT_EQ(guards.get("a"), 8);
    guards.clear();
    EXPECT_EQ(guards.get("a"), 0);
    EXPECT_EQ(guards.get("b"), 0);
    EXPECT_THROW(guards.get("c"), std::out_of_range);
    EXPECT_THROW(guards.set("c", 1), std::out_of_range);
    EXPECT_THROW(guards.inc("c"), std::out_of_range);
}
