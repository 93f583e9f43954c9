#pragma once

#include "FileTransferProtocol.h"
#include "YModemPacketId.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace xymodem
{
// Sends one file's data as numbered 1024-byte packets followed by EOT,
// driven by the receiver's "C", ACK, NAK and CAN.
class XModem : private FileTransferProtocol
{
public:
    static constexpr unsigned waitingStart = 0;
    static constexpr unsigned sendPacket = 1;
    static constexpr unsigned resendPacket = 2;
    static constexpr unsigned sendEOT = 3;
    static constexpr unsigned resendEOT = 4;
    static constexpr unsigned transmissionFinished = 5;
    static constexpr unsigned unexpectedInput = 6;
    static constexpr unsigned transmissionAborted = 7;

    static constexpr std::string_view retries = "XModem number of retries";
    static constexpr std::string_view packetsLeft = "Number of packets left";

    // Part of a batch: writes to the batch's logger.
    XModem(DeviceHandler& device, std::shared_ptr<spdlog::logger> logger);
    XModem(DeviceHandler& device, std::string_view logFile, int logLevel);
    ~XModem() override;

    // Sends the file's data; the receiver's "C" starts it. Returns true when
    // the receiver acknowledged the EOT, false when the yield callback asked
    // to stop. On a stop or when it gives up (time-out, too many re-sends,
    // unreadable file) it first cancels the receiver with CAN CAN.
    bool transmit(const std::filesystem::path& path, std::function<void(float)> updateCallback,
                  std::function<bool()> yieldCallback, bool logPackets);

    Packet makeDataPacket(const std::string& block, const uint8_t& packetNumber, bool logPackets);

private:
    using Table = std::array<Transition, 23>;
    static const Table stateTransitions;

    bool sendFile(const std::filesystem::path& path, bool logPackets);
    void executeState(unsigned state, bool logPackets) override;
    unsigned char interpret(unsigned char byte) override;
    void executeSendPacket(bool logPackets);

    tools::YModemPacketId packetId{1};
    int64_t lastFullPacket = 0;
    int64_t remaining = 0;
    int64_t totalPackets = 0;
};
} // namespace xymodem
