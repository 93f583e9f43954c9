#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xymodem
{
// A byte device with a local input buffer. The protocol takes the receiver's
// answers from the local buffer one byte at a time; readAll() only adds to
// it, so bytes that arrive together are all kept until they are used.
class DeviceHandler
{
public:
    virtual ~DeviceHandler() = default;

    // Sends every byte, or throws: a device that takes fewer bytes before its
    // write deadline reports that as XYModemExceptions::Timeout.
    virtual void write(const uint8_t* data, size_t length) = 0;
    // Appends the bytes the device has waiting to the local buffer.
    virtual void readAll() = 0;
    virtual void flushLocalBuffer();
    // Reads and throws away what the device has waiting.
    virtual void flushDeviceInputBuffer() = 0;
    // Bytes the device has waiting.
    virtual size_t available() const = 0;
    // Waits at most the given time for input; false when the wait ran out.
    virtual bool waitReadable(std::chrono::milliseconds limit) const = 0;
    // How long the receiver may stay silent before a transfer gives up.
    virtual std::chrono::milliseconds getReadTimeout() const = 0;

    // Takes the first byte of the local buffer, which must not be empty.
    uint8_t readNextByte();
    // Puts a byte taken back in front, for the next step to take again.
    void putBack(uint8_t byte);
    void flushAllInputBuffers();
    size_t getInputBufferSize() const noexcept { return inputBuffer.size(); }
    bool isInputBufferEmpty() const noexcept { return inputBuffer.empty(); }
    // The first byte of the local buffer, which must not be empty.
    uint8_t getInputBufferFront() const;
    // Every byte of the local buffer in decimal, five columns each.
    std::string showBuffer() const;

protected:
    std::vector<uint8_t> inputBuffer;
};
} // namespace xymodem
