#include "PacketBuilder.h"

#include "Crc16.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <stdexcept>

namespace xymodem
{
Packet PacketBuilder::data(std::string_view block, uint8_t number)
{
    if (block.size() > payloadSize)
        throw std::length_error("A data block holds at most 1024 bytes");
    return withPayload(number, block, 0xFF);
}

Packet PacketBuilder::header(std::string_view fileName, long long fileSize, long long lastWriteTime)
{
    std::string content(fileName);
    content += '\0';
    content += fmt::format("{} {}", fileSize, lastWriteTime);
    // At least one NUL must end the last field.
    if (content.size() >= payloadSize)
        throw std::length_error(fmt::format("File name too long for the header packet: {}", fileName));
    return withPayload(0, content, 0x00);
}

Packet PacketBuilder::endOfBatch()
{
    return withPayload(0, {}, 0x00);
}

std::string PacketBuilder::describe(const Packet& packet)
{
    return fmt::format("{:#04x}", fmt::join(packet, ","));
}

Packet PacketBuilder::withPayload(uint8_t number, std::string_view content, uint8_t fill)
{
    Packet packet;
    packet[0] = STX;
    packet[1] = number;
    packet[2] = static_cast<uint8_t>(~number);
    auto* const payload = packet.data() + 3;
    std::copy(content.begin(), content.end(), payload);
    std::fill(payload + content.size(), payload + payloadSize, fill);
    const auto crc = Crc16::compute(payload, payloadSize);
    packet[packetSize - 2] = static_cast<uint8_t>(crc >> 8);
    packet[packetSize - 1] = static_cast<uint8_t>(crc & 0xFF);
    return packet;
}
} // namespace xymodem
