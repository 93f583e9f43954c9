#pragma once

#include "LineRelay.h"
#include "PeerProcess.h"

#include "serial/Serial.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace simulator
{
// Our port on one pseudo-terminal pair, lrzsz's "rb --ymodem" on another,
// a line relay between the two. rb starts in an empty folder of its own
// once the sender has begun (so its first "C" is not taken for input from
// before the transfer), and is then the only holder of its side, so its
// exit hangs the line up.
class RbSession
{
public:
    explicit RbSession(const std::filesystem::path& workFolder, LineRelay::Options line = {});

    serial::Serial& port() noexcept { return *serialPort; }
    const LineRelay& line() const noexcept { return relay; }
    const std::filesystem::path& receivedFolder() const noexcept { return received; }

    // The sender's yield callback: starts rb on its first call, then asks
    // the given stop request.
    std::function<bool()> yieldStartingReceiver(std::function<bool()> stopRequest = [] { return false; });

    // rb's exit status, or nothing when it still runs after the time-out.
    std::optional<int> waitForReceiver(std::chrono::milliseconds timeout);
    std::string receiverErrors() const;

private:
    PseudoTerminal senderLink{PseudoTerminal::Use::lineForPeer};
    PseudoTerminal receiverLink{PseudoTerminal::Use::lineForPeer};
    std::unique_ptr<serial::Serial> serialPort;
    std::filesystem::path received;
    LineRelay relay;
    std::unique_ptr<PeerProcess> receiver;
};
} // namespace simulator
