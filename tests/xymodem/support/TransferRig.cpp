#include "TransferRig.h"

#include "ControlBytes.h"
#include "YModem.h"

#include <algorithm>

namespace xymodemtest
{
TransferRig::TransferRig(std::chrono::milliseconds readTimeout)
    : device([this](const Bytes& written) { return receiver.onWrite(written); }, readTimeout)
{
}

void TransferRig::receiverStarts()
{
    device.arriveWhileWaiting({{xymodem::CRC_REQUEST}});
}

void TransferRig::send(const std::vector<std::filesystem::path>& files)
{
    send(files, "", 3);
}

void TransferRig::send(const std::vector<std::filesystem::path>& files, const std::string& logFile,
                       int logLevel)
{
    xymodem::YModem sender(device, logFile, logLevel);
    sender.transmit(
        files, [this](float fraction) { progress.push_back(fraction); }, [this] { return stopRequest(); },
        true);
}

int TransferRig::countWrites(const std::function<bool(const Bytes&)>& predicate) const
{
    return static_cast<int>(std::count_if(device.writes().begin(), device.writes().end(), predicate));
}

bool TransferRig::lastWriteIsCancel() const
{
    return !device.writes().empty() && isCancel(device.writes().back());
}

int TransferRig::cancelCount() const
{
    return countWrites(isCancel);
}

bool isCancel(const Bytes& bytes)
{
    return bytes == Bytes{xymodem::CAN, xymodem::CAN};
}

bool isDataPacket(const Bytes& bytes, uint8_t number)
{
    return bytes.size() == xymodem::packetSize && bytes[1] == number;
}
} // namespace xymodemtest
