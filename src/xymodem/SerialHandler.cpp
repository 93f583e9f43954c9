#include "SerialHandler.h"

#include "XYModemExceptions.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace xymodem
{
namespace
{
// Gives the port a shorter read time-out for one read, and puts the
// configured one back afterwards.
class ScopedReadTimeout
{
public:
    ScopedReadTimeout(serial::Serial& port, std::chrono::milliseconds limit)
        : serial(port)
        , configured(port.getTimeout())
    {
        auto shortened = configured;
        const auto clamped = std::clamp<int64_t>(limit.count(), 0, std::numeric_limits<uint32_t>::max());
        shortened.read_timeout_constant = static_cast<uint32_t>(clamped);
        shortened.read_timeout_multiplier = 0;
        serial.setTimeout(shortened);
    }

    ~ScopedReadTimeout() { serial.setTimeout(configured); }

    ScopedReadTimeout(const ScopedReadTimeout&) = delete;
    ScopedReadTimeout& operator=(const ScopedReadTimeout&) = delete;

private:
    serial::Serial& serial;
    const serial::Timeout configured;
};
} // namespace

SerialHandler::SerialHandler(serial::Serial& port)
    : serial(&port)
{
}

void SerialHandler::write(const uint8_t* data, size_t length)
{
    const auto written = serial->write(data, length);
    if (written < length)
    {
        const auto timeout = serial->getTimeout();
        const auto deadline = static_cast<uint64_t>(timeout.write_timeout_constant) +
                              static_cast<uint64_t>(timeout.write_timeout_multiplier) * length;
        throw XYModemExceptions::Timeout(static_cast<int>((deadline + 999) / 1000));
    }
}

void SerialHandler::readAll()
{
    const auto waiting = serial->available();
    if (waiting > 0)
    {
        serial->read(inputBuffer, waiting);
        return;
    }
    const ScopedReadTimeout probe(*serial, std::chrono::milliseconds(1));
    serial->read(inputBuffer, 1);
}

void SerialHandler::flushDeviceInputBuffer()
{
    const auto waiting = serial->available();
    if (waiting == 0)
        return;
    std::vector<uint8_t> discarded;
    serial->read(discarded, waiting);
}

size_t SerialHandler::available() const
{
    return serial->available();
}

bool SerialHandler::waitReadable(std::chrono::milliseconds limit) const
{
    return serial->waitReadable(limit);
}

std::chrono::milliseconds SerialHandler::getReadTimeout() const
{
    return std::chrono::milliseconds(serial->getTimeout().read_timeout_constant);
}
} // namespace xymodem
