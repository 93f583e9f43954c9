#pragma once

#include "DeviceHandler.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace xymodemtest
{
using Bytes = std::vector<uint8_t>;

// An in-process device: every write goes to a responder, whose answer
// arrives afterwards, each element of it in a read of its own. So a test
// decides exactly which bytes one read brings.
class ScriptedDevice : public xymodem::DeviceHandler
{
public:
    using Responder = std::function<std::vector<Bytes>(const Bytes& written)>;

    explicit ScriptedDevice(Responder responder,
                            std::chrono::milliseconds readTimeout = std::chrono::milliseconds(2000));

    // Bytes that have arrived by themselves, each element in a read of its own.
    void arrive(const std::vector<Bytes>& reads);
    // Bytes that arrive while the sender next waits for input, so after any
    // flush it does first.
    void arriveWhileWaiting(const std::vector<Bytes>& reads);

    const std::vector<Bytes>& writes() const noexcept { return written; }

    void write(const uint8_t* data, size_t length) override;
    void readAll() override;
    void flushDeviceInputBuffer() override;
    size_t available() const override;
    bool waitReadable(std::chrono::milliseconds limit) const override;
    std::chrono::milliseconds getReadTimeout() const override { return readTimeout; }

private:
    Responder responder;
    std::chrono::milliseconds readTimeout;
    mutable std::deque<Bytes> pending;
    mutable std::deque<Bytes> later;
    std::vector<Bytes> written;
};
} // namespace xymodemtest
