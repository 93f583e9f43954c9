#pragma once

#include <cstddef>
#include <cstdint>

namespace xymodem
{
// First byte of every packet the sender writes.
constexpr uint8_t STX = 0x02;
// Sent alone after the last data packet of a file.
constexpr uint8_t EOT = 0x04;
// From the receiver: packet or EOT accepted.
constexpr uint8_t ACK = 0x06;
// From the receiver: send again.
constexpr uint8_t NAK = 0x15;
// From the receiver: cancel. Sent twice by the sender when it gives up.
constexpr uint8_t CAN = 0x18;
// From the receiver ("C"): start, or continue with the next packet, in CRC mode.
constexpr uint8_t CRC_REQUEST = 0x43;

// Every packet is STX, number, complement, payload and a 16-bit CRC.
constexpr size_t payloadSize = 1024;
constexpr size_t packetSize = payloadSize + 5;
} // namespace xymodem
