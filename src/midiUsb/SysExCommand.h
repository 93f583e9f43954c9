#pragma once

#include <cstddef>
#include <cstdint>

namespace midiUsb
{
// The instrument's SysEx messages: F0, the manufacturer id 00 6B 2D, a
// command byte, 7-bit sub-codes and data, F7. No checksum, no length field.
namespace SysExFraming
{
constexpr std::uint8_t start = 0xF0;
constexpr std::uint8_t end = 0xF7;
constexpr std::uint8_t manufacturerId[] = {0x00, 0x6B, 0x2D};
constexpr std::size_t commandOffset = 4;
constexpr std::size_t firstSubCodeOffset = 5;
} // namespace SysExFraming

// The command byte, offset 4.
enum class SysExCommand : std::uint8_t
{
    dataRequest = 0x06,
    dataAnswer = 0x07,
    enterUpdateMode = 0x08,
    infoRequest = 0x0C,
    infoAnswer = 0x0D,
    configure = 0x0E,
    acknowledge = 0x11,
    factorySetup = 0x1C
};

// What an info request asks for, offset 5.
enum class InfoRequestType : std::uint8_t
{
    serialNumber = 0x02,
    firmwareVersion = 0x04,
    ormelVersion = 0x06
};

// What a data request asks for: its sub-codes, from offset 5, which its
// answer repeats. A test log request adds the test id, a key position
// request the key number.
enum class DataRequestType : std::uint8_t
{
    testLog,               // 01 id
    touchCalibration,      // 04 01
    keyPositionCalibration // 04 02 key
};

// The sub-code bytes behind DataRequestType and the info answer's marker.
namespace SysExSubCode
{
constexpr std::uint8_t testLog = 0x01;
constexpr std::uint8_t calibration = 0x04;
constexpr std::uint8_t touchCalibration = 0x01;
constexpr std::uint8_t keyPositionCalibration = 0x02;
constexpr std::uint8_t infoText = 0x05;     // offset 6 of an info answer that carries a text
constexpr std::uint8_t acknowledged = 0x04; // offset 5 of an acknowledge
} // namespace SysExSubCode
} // namespace midiUsb
