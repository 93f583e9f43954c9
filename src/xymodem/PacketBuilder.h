#pragma once

#include "ControlBytes.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace xymodem
{
using Packet = std::array<uint8_t, packetSize>;

// The wire format of the packets the sender writes: STX, number, its
// complement, 1024 payload bytes and the payload's CRC, high byte first.
class PacketBuilder
{
public:
    // A data block of at most 1024 bytes, the rest of the payload 0xFF.
    // A longer block throws std::length_error.
    static Packet data(std::string_view block, uint8_t number);

    // Packet 0: name, NUL, size in decimal, blank, modification time in
    // decimal microseconds since the Unix epoch, then NULs. A name that
    // leaves no room for the rest throws std::length_error.
    static Packet header(std::string_view fileName, long long fileSize, long long lastWriteTime);

    // Packet 0 with an empty payload: no more files.
    static Packet endOfBatch();

    // Every byte as "0x.." joined with ",", for the packet dumps.
    static std::string describe(const Packet& packet);

private:
    static Packet withPayload(uint8_t number, std::string_view content, uint8_t fill);
};
} // namespace xymodem
