#include "DeviceHandler.h"

#include <fmt/format.h>

#include <stdexcept>

namespace xymodem
{
void DeviceHandler::flushLocalBuffer()
{
    inputBuffer.clear();
}

uint8_t DeviceHandler::readNextByte()
{
    const auto byte = getInputBufferFront();
    inputBuffer.erase(inputBuffer.begin());
    return byte;
}

void DeviceHandler::putBack(uint8_t byte)
{
    inputBuffer.insert(inputBuffer.begin(), byte);
}

void DeviceHandler::flushAllInputBuffers()
{
    flushDeviceInputBuffer();
    flushLocalBuffer();
}

uint8_t DeviceHandler::getInputBufferFront() const
{
    if (inputBuffer.empty())
        throw std::out_of_range("The local input buffer is empty");
    return inputBuffer.front();
}

std::string DeviceHandler::showBuffer() const
{
    std::string text;
    for (const auto byte : inputBuffer)
        text += fmt::format("{:>5}", byte);
    return text;
}
} // namespace xymodem
