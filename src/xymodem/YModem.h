#pragma once

#include "FileTransferProtocol.h"
#include "XModem.h"

#include <chrono>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace xymodem
{
// Sends a batch of files: for each a header packet and then its data (by
// the XModem inside), and at the end the end-of-batch packet. One object
// carries out one batch.
class YModem : private FileTransferProtocol
{
public:
    static constexpr unsigned waitingStart = 0;
    static constexpr unsigned sendHeader = 1;
    static constexpr unsigned resendHeader = 2;
    static constexpr unsigned headerAcknowledged = 3;
    static constexpr unsigned unexpectedInput = 4;
    static constexpr unsigned transmissionAborted = 5;

    static constexpr std::string_view retries = "YModem number of retries";
    // Every file has been acknowledged when the end of the batch goes out;
    // a receiver that says nothing to it has them all.
    static constexpr std::chrono::milliseconds endOfBatchAnswerLimit{2000};

    // logLevel in the logging library's numbering (2 is info); an empty
    // logFile logs to the console only.
    YModem(DeviceHandler& device, std::string_view logFile, int logLevel);
    ~YModem() override;

    // Sends the files, the last one first. Returns when the receiver has
    // acknowledged the end of the batch, or has not within
    // endOfBatchAnswerLimit or gone away after it, or when the yield callback
    // asked to stop (the receiver is then cancelled with CAN CAN). Throws
    // XYModemExceptions::CouldNotOpenFile before sending anything when a
    // file is missing or unreadable; throws XYModemExceptions on a time-out,
    // too many re-sends, a cancel by the receiver or a file that vanished,
    // cancelling the receiver first, and passes the device's own exceptions
    // through.
    void transmit(const std::vector<std::filesystem::path>& files, std::function<void(float)> updateCallback,
                  std::function<bool()> yieldCallback, bool logPackets);

    Packet makeHeaderPacket(const std::string& fileName, const long long& fileSize,
                            const long long& lastWriteTime, bool logPackets);
    Packet makeLastPacket(bool logPackets);

private:
    using Table = std::array<Transition, 11>;
    static const Table stateTransitions;

    void executeState(unsigned state, bool logPackets) override;
    unsigned char interpret(unsigned char byte) override;
    std::chrono::milliseconds answerLimit() const override;
    // Every file is there and its size readable, before anything is sent.
    void checkFiles() const;
    void executeSendHeader(bool logPackets);
    void acknowledgeHeader(bool logPackets);
    void endWithoutAcknowledgement(const std::exception& reason);
    void logPacket(const Packet& packet, bool logPackets) const;

    XModem xmodem;
    std::vector<std::filesystem::path> files;
};
} // namespace xymodem
