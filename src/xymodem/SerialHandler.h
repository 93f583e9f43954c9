#pragma once

#include "DeviceHandler.h"

#include "serial/Serial.h"

namespace xymodem
{
// The device layer over a serial port, which others open and close and
// which must outlive the handler. The port's exceptions pass through.
class SerialHandler : public DeviceHandler
{
public:
    explicit SerialHandler(serial::Serial& port);

    // A short count, the port's write deadline having passed, throws
    // XYModemExceptions::Timeout.
    void write(const uint8_t* data, size_t length) override;
    // Appends what is waiting. A port that reports input but has none
    // waiting has lost its device: a short read lets the port say so.
    void readAll() override;
    void flushDeviceInputBuffer() override;
    size_t available() const override;
    bool waitReadable(std::chrono::milliseconds limit) const override;
    // The port's read_timeout_constant.
    std::chrono::milliseconds getReadTimeout() const override;

private:
    serial::Serial* serial;
};
} // namespace xymodem
