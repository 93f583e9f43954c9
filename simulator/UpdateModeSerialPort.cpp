#include "UpdateModeSerialPort.h"

#include <fstream>
#include <iterator>

namespace simulator
{
namespace
{
constexpr size_t payload = 1024;
constexpr size_t packetSize = payload + 5;
} // namespace

UpdateModeSerialPort::UpdateModeSerialPort(const std::filesystem::path& folder, size_t size, Fault faultToUse)
    : received(folder)
    , imageSize(size)
    , fault(faultToUse)
    , relay(senderLink, receiverLink, lineFor(size, faultToUse))
{
    std::filesystem::create_directories(received);
    receiver = std::make_unique<PeerProcess>(std::vector<std::string>{"rb", "--ymodem"},
                                             receiverLink.slaveFd(), receiverLink.slaveFd(), received);
    // rb is now the only holder of its side: its exit hangs the line up.
    receiverLink.releaseSlave();
}

LineRelay::Options UpdateModeSerialPort::lineFor(size_t size, Fault fault)
{
    LineRelay::Options line;
    line.repeatStartRequest = std::chrono::milliseconds(300);
    // The header's ACK comes first, then one per data packet.
    if (fault == Fault::hangUpAfterLastAck)
        line.hangUpAtAck = 1 + (size + payload - 1) / payload;
    return line;
}

bool UpdateModeSerialPort::hasEnded()
{
    const bool midway = relay.forwardedToReceiver() > packetSize + imageSize / 2;
    if (fault == Fault::receiverKilledMidway && midway)
        receiver->kill();
    if (fault == Fault::senderDescriptorLostMidway && midway && !descriptorLost)
        descriptorLost = senderLink.closeForeignSlaveDescriptors() > 0;
    return relay.hasHungUp() || receiver->waitFor(std::chrono::milliseconds(0)).has_value();
}

bool UpdateModeSerialPort::receiverSucceeded()
{
    return receiver->waitFor(std::chrono::milliseconds(0)) == 0;
}

std::vector<UpdateModeSerialPort::ReceivedFile> UpdateModeSerialPort::receivedFiles() const
{
    std::vector<ReceivedFile> files;
    for (const auto& entry : std::filesystem::directory_iterator(received))
    {
        std::ifstream stream(entry.path(), std::ios::binary);
        files.push_back({entry.path().filename().string(),
                         {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()}});
    }
    return files;
}
} // namespace simulator
