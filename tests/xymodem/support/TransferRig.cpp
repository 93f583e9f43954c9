#include "TransferRig.h"

#include "ControlBytes.h"
#include "YModem.h"

#include <algorithm>
#include <thread>

namespace xymodemtest
{
namespace
{
const Bytes cancel{xymodem::CAN, xymodem::CAN};
}

TransferRig::TransferRig(std::chrono::milliseconds timeout)
    : readTimeout(timeout)
{
}

void TransferRig::arriveWhileWaiting(const std::vector<Bytes>& reads)
{
    later.insert(later.end(), reads.begin(), reads.end());
}

void TransferRig::send(const std::vector<std::filesystem::path>& files, const std::string& logFile,
                       int logLevel)
{
    xymodem::YModem sender(*this, logFile, logLevel);
    sender.transmit(
        files, [this](float fraction) { progress.push_back(fraction); }, [this] { return stopRequest(); },
        true);
}

int TransferRig::cancelCount() const
{
    return static_cast<int>(std::count(written.begin(), written.end(), cancel));
}

bool TransferRig::lastWriteIsCancel() const
{
    return !written.empty() && written.back() == cancel;
}

void TransferRig::write(const uint8_t* data, size_t length)
{
    written.emplace_back(data, data + length);
    for (auto& read : receiver.onWrite(written.back()))
        if (!read.empty())
            pending.push_back(std::move(read));
}

void TransferRig::readAll()
{
    if (pending.empty())
        return;
    inputBuffer.insert(inputBuffer.end(), pending.front().begin(), pending.front().end());
    pending.pop_front();
}

bool TransferRig::waitReadable(std::chrono::milliseconds limit) const
{
    pending.insert(pending.end(), later.begin(), later.end());
    later.clear();
    if (!pending.empty())
        return true;
    std::this_thread::sleep_for(limit);
    return false;
}
} // namespace xymodemtest
