#include "RbSession.h"

#include <string>
#include <vector>

namespace simulator
{
RbSession::RbSession(const std::filesystem::path& workFolder, LineRelay::Options line)
    // The time-outs the application opens the instrument's port with.
    : serialPort(std::make_unique<serial::Serial>(senderLink.slavePath(), 115200,
                                                  serial::Timeout(100000, 30000, 20, 100000, 20)))
    , received(workFolder / "received")
    , relay(senderLink, receiverLink, line)
{
    std::filesystem::create_directory(received);
}

std::function<bool()> RbSession::yieldStartingReceiver(std::function<bool()> stopRequest)
{
    return [this, stopRequest = std::move(stopRequest)]
    {
        if (!receiver)
        {
            receiver =
                std::make_unique<PeerProcess>(std::vector<std::string>{"rb", "--ymodem"},
                                              receiverLink.slaveFd(), receiverLink.slaveFd(), received);
            receiverLink.releaseSlave();
        }
        return stopRequest();
    };
}

std::optional<int> RbSession::waitForReceiver(std::chrono::milliseconds timeout)
{
    if (!receiver)
        return std::nullopt;
    return receiver->waitFor(timeout);
}

std::string RbSession::receiverErrors() const
{
    return receiver ? receiver->errorOutput() : std::string();
}
} // namespace simulator
