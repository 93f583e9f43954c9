#pragma once

#include "DeviceHandler.h"
#include "ReceiverModel.h"
#include "support/TemporaryFolder.h"

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace xymodemtest
{
// A YModem sender on an in-process device whose every write goes to the
// receiver model; its answer comes back one element per read, so a test
// decides exactly what each read brings.
class TransferRig : public xymodem::DeviceHandler
{
public:
    explicit TransferRig(std::chrono::milliseconds readTimeout = std::chrono::milliseconds(2000));

    // Bytes that arrive while the sender next waits for input, so after any flush.
    void arriveWhileWaiting(const std::vector<Bytes>& reads);
    void receiverStarts() { arriveWhileWaiting({{'C'}}); }
    void send(const std::vector<std::filesystem::path>& files, const std::string& logFile = "",
              int logLevel = 3);
    const std::vector<Bytes>& writes() const noexcept { return written; }
    int cancelCount() const;
    bool lastWriteIsCancel() const;

    void write(const uint8_t* data, size_t length) override;
    void readAll() override;
    void flushDeviceInputBuffer() override { pending.clear(); }
    size_t available() const override { return pending.empty() ? 0 : pending.front().size(); }
    bool waitReadable(std::chrono::milliseconds limit) const override;
    std::chrono::milliseconds getReadTimeout() const override { return readTimeout; }

    testsupport::TemporaryFolder folder;
    ReceiverModel receiver;
    std::vector<float> progress;
    std::function<bool()> stopRequest = [] { return false; };

private:
    const std::chrono::milliseconds readTimeout;
    mutable std::deque<Bytes> pending, later;
    std::vector<Bytes> written;
};
} // namespace xymodemtest
