#include "Serial.h"
#include <algorithm>
#include <limits>

#include "SerialImpl.h"

namespace serial
{

Serial::Serial(const std::string& port, uint32_t baudrate, Timeout timeout, bytesize_t bytesize,
               parity_t parity, stopbits_t stopbits, flowcontrol_t flowcontrol)
    : pimpl(std::make_unique<SerialImpl>(port, baudrate, bytesize, parity, stopbits, flowcontrol))
{
    pimpl->setTimeout(timeout);
}

Serial::~Serial() = default;

void Serial::open()
{
    pimpl->open();
}

void Serial::close()
{
    pimpl->close();
}

bool Serial::isOpen() const
{
    return pimpl->isOpen();
}

size_t Serial::available()
{
    return pimpl->available();
}

bool Serial::waitReadable()
{
    return pimpl->waitReadable(pimpl->getTimeout().read_timeout_constant);
}

bool Serial::waitReadable(std::chrono::milliseconds limit)
{
    const auto clamped = std::clamp<int64_t>(limit.count(), 0, std::numeric_limits<uint32_t>::max());
    return pimpl->waitReadable(static_cast<uint32_t>(clamped));
}

void Serial::waitByteTimes(size_t count)
{
    pimpl->waitByteTimes(count);
}

size_t Serial::read(uint8_t* buffer, size_t size)
{
    const std::lock_guard lock(pimpl->readMutex);
    return pimpl->read(buffer, size);
}

size_t Serial::read(std::vector<uint8_t>& buffer, size_t size)
{
    const std::lock_guard lock(pimpl->readMutex);
    std::vector<uint8_t> bytes(size);
    const size_t count = pimpl->read(bytes.data(), size);
    buffer.insert(buffer.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
}

size_t Serial::read(std::string& buffer, size_t size)
{
    const std::lock_guard lock(pimpl->readMutex);
    std::vector<uint8_t> bytes(size);
    const size_t count = pimpl->read(bytes.data(), size);
    buffer.append(reinterpret_cast<const char*>(bytes.data()), count);
    return count;
}

std::string Serial::read(size_t size)
{
    std::string buffer;
    read(buffer, size);
    return buffer;
}

size_t Serial::readline(std::string& buffer, size_t size, std::string eol)
{
    const std::lock_guard lock(pimpl->readMutex);
    std::string line;
    while (line.size() < size)
    {
        uint8_t byte = 0;
        if (pimpl->read(&byte, 1) == 0)
            break;
        line.push_back(static_cast<char>(byte));
        if (!eol.empty() && line.size() >= eol.size() &&
            line.compare(line.size() - eol.size(), eol.size(), eol) == 0)
            break;
    }
    buffer += line;
    return line.size();
}

std::string Serial::readline(size_t size, std::string eol)
{
    std::string buffer;
    readline(buffer, size, std::move(eol));
    return buffer;
}

std::vector<std::string> Serial::readlines(size_t size, std::string eol)
{
    const std::lock_guard lock(pimpl->readMutex);
    std::vector<std::string> lines;
    std::string current;
    size_t total = 0;
    while (total < size)
    {
        uint8_t byte = 0;
        if (pimpl->read(&byte, 1) == 0)
            break;
        ++total;
        current.push_back(static_cast<char>(byte));
        if (!eol.empty() && current.size() >= eol.size() &&
            current.compare(current.size() - eol.size(), eol.size(), eol) == 0)
        {
            lines.push_back(std::move(current));
            current.clear();
        }
    }
    if (!current.empty())
        lines.push_back(std::move(current));
    return lines;
}

size_t Serial::write(const uint8_t* data, size_t size)
{
    const std::lock_guard lock(pimpl->writeMutex);
    return pimpl->write(data, size);
}

size_t Serial::write(const std::vector<uint8_t>& data)
{
    return write(data.data(), data.size());
}

size_t Serial::write(const std::string& data)
{
    return write(reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

void Serial::setPort(const std::string& port)
{
    const std::lock_guard readLock(pimpl->readMutex);
    const std::lock_guard writeLock(pimpl->writeMutex);
    pimpl->setPort(port);
}

std::string Serial::getPort() const
{
    return pimpl->getPort();
}

void Serial::setTimeout(const Timeout& timeout)
{
    pimpl->setTimeout(timeout);
}

Timeout Serial::getTimeout() const
{
    return pimpl->getTimeout();
}

void Serial::setBaudrate(uint32_t baudrate)
{
    pimpl->setBaudrate(baudrate);
}

uint32_t Serial::getBaudrate() const
{
    return pimpl->getBaudrate();
}

void Serial::setBytesize(bytesize_t bytesize)
{
    pimpl->setBytesize(bytesize);
}

bytesize_t Serial::getBytesize() const
{
    return pimpl->getBytesize();
}

void Serial::setParity(parity_t parity)
{
    pimpl->setParity(parity);
}

parity_t Serial::getParity() const
{
    return pimpl->getParity();
}

void Serial::setStopbits(stopbits_t stopbits)
{
    pimpl->setStopbits(stopbits);
}

stopbits_t Serial::getStopbits() const
{
    return pimpl->getStopbits();
}

void Serial::setFlowcontrol(flowcontrol_t flowcontrol)
{
    pimpl->setFlowcontrol(flowcontrol);
}

flowcontrol_t Serial::getFlowcontrol() const
{
    return pimpl->getFlowcontrol();
}

void Serial::flush()
{
    const std::lock_guard readLock(pimpl->readMutex);
    const std::lock_guard writeLock(pimpl->writeMutex);
    pimpl->flush();
}

void Serial::flushInput()
{
    const std::lock_guard lock(pimpl->readMutex);
    pimpl->flushInput();
}

void Serial::flushOutput()
{
    const std::lock_guard lock(pimpl->writeMutex);
    pimpl->flushOutput();
}

void Serial::sendBreak(int duration)
{
    pimpl->sendBreak(duration);
}

void Serial::setBreak(bool level)
{
    pimpl->setBreak(level);
}

void Serial::setRTS(bool level)
{
    pimpl->setRTS(level);
}

void Serial::setDTR(bool level)
{
    pimpl->setDTR(level);
}

bool Serial::waitForChange()
{
    return pimpl->waitForChange();
}

bool Serial::getCTS()
{
    return pimpl->getCTS();
}

bool Serial::getDSR()
{
    return pimpl->getDSR();
}

bool Serial::getRI()
{
    return pimpl->getRI();
}

bool Serial::getCD()
{
    return pimpl->getCD();
}

} // namespace serial
