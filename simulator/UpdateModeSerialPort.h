#pragma once

#include "LineRelay.h"
#include "PeerProcess.h"
#include "PseudoTerminal.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace simulator
{
// The instrument's USB serial port in update mode: a pseudo-terminal whose
// path the port listing shows, with lrzsz's "rb --ymodem" behind a line
// relay as the instrument's receiver, running from the start and asking
// for the transfer until the sender begins.
class UpdateModeSerialPort
{
public:
    enum class Fault
    {
        none,
        // Gone right after passing on the ACK of the image's last packet.
        hangUpAfterLastAck,
        // rb killed once half the image went over the line.
        receiverKilledMidway,
        // Once half the image went over the line, the sender's descriptor is
        // closed behind its back: its I/O and its close(2) fail.
        senderDescriptorLostMidway
    };

    struct ReceivedFile
    {
        std::string name;
        std::string content;
    };

    // imageSize tells where the faults strike.
    UpdateModeSerialPort(const std::filesystem::path& folder, size_t imageSize, Fault fault);

    UpdateModeSerialPort(const UpdateModeSerialPort&) = delete;
    UpdateModeSerialPort& operator=(const UpdateModeSerialPort&) = delete;

    const std::string& path() const noexcept { return senderLink.slavePath(); }

    // Polled: applies the kill fault; true once the line is down (rb left,
    // or a fault hung it up).
    bool hasEnded();
    // rb ended on its own with success.
    bool receiverSucceeded();
    std::vector<ReceivedFile> receivedFiles() const;

private:
    static LineRelay::Options lineFor(size_t imageSize, Fault fault);

    PseudoTerminal senderLink{PseudoTerminal::Use::lineForPeer};
    PseudoTerminal receiverLink{PseudoTerminal::Use::lineForPeer};
    const std::filesystem::path received;
    const size_t imageSize;
    const Fault fault;
    LineRelay relay;
    std::unique_ptr<PeerProcess> receiver;
    bool descriptorLost = false;
};
} // namespace simulator
