#include "SerialImpl.h"

#include "CustomBaudRate.h"
#include "MillisecondTimer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace serial
{
namespace
{
// The rates with a speed constant of their own; every other rate is set
// through termios2.
std::optional<speed_t> standardSpeed(uint32_t baudrate)
{
    switch (baudrate)
    {
    case 50:
        return B50;
    case 75:
        return B75;
    case 110:
        return B110;
    case 134:
        return B134;
    case 150:
        return B150;
    case 200:
        return B200;
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 1800:
        return B1800;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return std::nullopt;
    }
}

void checkBaudrate(uint32_t baudrate)
{
    if (baudrate == 0)
        throw std::invalid_argument("invalid baud rate");
}

// Nanoseconds that one character takes on the line: start bit, data bits,
// parity bit and stop bits.
uint32_t byteTime(uint32_t baudrate, bytesize_t bytesize, parity_t parity, stopbits_t stopbits)
{
    const uint32_t bitTimeNs = static_cast<uint32_t>(1000000000ull / baudrate);
    const double parityBits = (parity == parity_odd || parity == parity_even) ? 1.0 : 0.0;
    const double stopBits = stopbits == stopbits_one_point_five ? 1.5 : static_cast<double>(stopbits);
    return static_cast<uint32_t>(bitTimeNs * (1.0 + static_cast<double>(bytesize) + parityBits + stopBits));
}

timespec timespecFromNs(uint64_t nanoseconds)
{
    timespec time{};
    time.tv_sec = static_cast<time_t>(nanoseconds / 1000000000ull);
    time.tv_nsec = static_cast<long>(nanoseconds % 1000000000ull);
    return time;
}

std::string ioctlFailure(const char* text, int error)
{
    return std::string(text) + std::to_string(error) + " " + std::strerror(error);
}
} // namespace

Serial::SerialImpl::SerialImpl(const std::string& port, uint32_t baudrate, bytesize_t bytesize,
                               parity_t parity, stopbits_t stopbits, flowcontrol_t flowcontrol)
{
    checkBaudrate(baudrate);
    settings.port = port;
    settings.baudrate = baudrate;
    settings.bytesize = bytesize;
    settings.parity = parity;
    settings.stopbits = stopbits;
    settings.flowcontrol = flowcontrol;
    if (!port.empty())
        open();
}

Serial::SerialImpl::~SerialImpl()
{
    // The descriptor closes itself; a failure there cannot be reported.
}

Serial::SerialImpl::Settings Serial::SerialImpl::settingsCopy() const
{
    const std::lock_guard lock(settingsMutex);
    return settings;
}

void Serial::SerialImpl::open()
{
    const std::lock_guard lock(lifecycleMutex);
    openWhileLocked();
}

void Serial::SerialImpl::openWhileLocked()
{
    const std::string port = getPort();
    if (port.empty())
        throw std::invalid_argument("Empty port is invalid.");
    if (descriptor.holdsDescriptor())
        throw SerialException("Serial port already open.");

    int fd = -1;
    while ((fd = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) == -1)
    {
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error == ENFILE || error == EMFILE)
            throw IOException(__FILE__, __LINE__, "Too many file handles open.");
        throw IOException(__FILE__, __LINE__, error);
    }

    try
    {
        reconfigurePort(fd);
    }
    catch (...)
    {
        ::close(fd);
        throw;
    }
    descriptor.adopt(fd);
}

void Serial::SerialImpl::close()
{
    const std::lock_guard lock(lifecycleMutex);
    closeWhileLocked();
}

void Serial::SerialImpl::closeWhileLocked()
{
    if (const int error = descriptor.close(); error != 0)
        throw IOException(__FILE__, __LINE__, error);
}

bool Serial::SerialImpl::isOpen() const
{
    return descriptor.holdsDescriptor();
}

void Serial::SerialImpl::reconfigurePort(int fd)
{
    if (fd == -1)
        throw IOException(__FILE__, __LINE__, "Invalid file descriptor, is the serial port open?");

    termios options{};
    if (::tcgetattr(fd, &options) == -1)
        throw IOException(__FILE__, __LINE__, "::tcgetattr");

    Settings wanted = settingsCopy();

    // Raw mode: every byte passes unchanged both ways.
    options.c_cflag |= (tcflag_t)(CLOCAL | CREAD);
    options.c_lflag &= (tcflag_t) ~(ICANON | ECHO | ECHOE | ECHOK | ECHONL | ISIG | IEXTEN);
    options.c_oflag &= (tcflag_t) ~(OPOST);
    options.c_iflag &= (tcflag_t) ~(INLCR | IGNCR | ICRNL | IGNBRK | PARMRK);

    const auto speed = standardSpeed(wanted.baudrate);
    if (speed)
    {
        ::cfsetispeed(&options, *speed);
        ::cfsetospeed(&options, *speed);
    }

    options.c_cflag &= (tcflag_t)~CSIZE;
    switch (wanted.bytesize)
    {
    case eightbits:
        options.c_cflag |= CS8;
        break;
    case sevenbits:
        options.c_cflag |= CS7;
        break;
    case sixbits:
        options.c_cflag |= CS6;
        break;
    case fivebits:
        options.c_cflag |= CS5;
        break;
    default:
        throw std::invalid_argument("invalid char len");
    }

    switch (wanted.stopbits)
    {
    case stopbits_one:
        options.c_cflag &= (tcflag_t) ~(CSTOPB);
        break;
    case stopbits_one_point_five:
    case stopbits_two:
        options.c_cflag |= CSTOPB;
        break;
    default:
        throw std::invalid_argument("invalid stop bit");
    }

    options.c_iflag &= (tcflag_t) ~(INPCK | ISTRIP);
    switch (wanted.parity)
    {
    case parity_none:
        options.c_cflag &= (tcflag_t) ~(PARENB | PARODD);
        break;
    case parity_even:
        options.c_cflag &= (tcflag_t) ~(PARODD);
        options.c_cflag |= PARENB;
        break;
    case parity_odd:
        options.c_cflag |= (PARENB | PARODD);
        break;
    case parity_mark:
    case parity_space:
        throw std::invalid_argument("OS does not support mark or space parity");
    default:
        throw std::invalid_argument("invalid parity");
    }

    switch (wanted.flowcontrol)
    {
    case flowcontrol_none:
        wanted.xonxoff = false;
        wanted.rtscts = false;
        break;
    case flowcontrol_software:
        wanted.xonxoff = true;
        wanted.rtscts = false;
        break;
    case flowcontrol_hardware:
        wanted.xonxoff = false;
        wanted.rtscts = true;
        break;
    default:
        break;
    }
    if (wanted.xonxoff)
        options.c_iflag |= (IXON | IXOFF);
    else
        options.c_iflag &= (tcflag_t) ~(IXON | IXOFF | IXANY);
    if (wanted.rtscts)
        options.c_cflag |= CRTSCTS;
    else
        options.c_cflag &= (tcflag_t) ~(CRTSCTS);

    options.c_cc[VMIN] = 0;
    options.c_cc[VTIME] = 0;

    if (::tcsetattr(fd, TCSANOW, &options) != 0)
        throw IOException(__FILE__, __LINE__, errno);
    if (!speed)
        if (const int error = detail::setCustomBaudRate(fd, wanted.baudrate); error != 0)
            throw IOException(__FILE__, __LINE__, error);

    const std::lock_guard lock(settingsMutex);
    settings.xonxoff = wanted.xonxoff;
    settings.rtscts = wanted.rtscts;
    settings.byteTimeNs = byteTime(wanted.baudrate, wanted.bytesize, wanted.parity, wanted.stopbits);
}

void Serial::SerialImpl::reconfigureIfOpen()
{
    if (const auto lease = descriptor.lease())
        reconfigurePort(lease->fd());
}

size_t Serial::SerialImpl::available()
{
    const auto lease = descriptor.lease();
    if (!lease)
        return 0;
    return bytesWaiting(lease->fd());
}

size_t Serial::SerialImpl::bytesWaiting(int fd) const
{
    int count = 0;
    if (::ioctl(fd, FIONREAD, &count) == -1)
        throw IOException(__FILE__, __LINE__, errno);
    return static_cast<size_t>(count);
}

bool Serial::SerialImpl::waitReadable(uint32_t timeoutMs)
{
    const auto lease = descriptor.lease();
    if (!lease)
        throw PortNotOpenedException("Serial::waitReadable");
    return waitReadable(*lease, timeoutMs, "Serial::waitReadable");
}

bool Serial::SerialImpl::waitReadable(const detail::InterruptibleDescriptor::Lease& lease, uint32_t timeoutMs,
                                      const char* description)
{
    const timespec timeout = timespec_from_ms(timeoutMs);
    switch (descriptor.wait(lease, POLLIN, &timeout))
    {
    case detail::InterruptibleDescriptor::WaitResult::ready:
        return true;
    case detail::InterruptibleDescriptor::WaitResult::closing:
        throw PortNotOpenedException(description);
    default:
        return false;
    }
}

void Serial::SerialImpl::waitByteTimes(size_t count)
{
    sleepByteTimes(count, settingsCopy().byteTimeNs);
}

void Serial::SerialImpl::sleepByteTimes(size_t count, uint32_t byteTimeNs)
{
    descriptor.sleep(timespecFromNs(static_cast<uint64_t>(count) * byteTimeNs));
}

size_t Serial::SerialImpl::read(uint8_t* buffer, size_t size)
{
    const auto lease = descriptor.lease();
    if (!lease)
        throw PortNotOpenedException("Serial::read");
    const int fd = lease->fd();
    const Settings current = settingsCopy();
    const Timeout& timeout = current.timeout;

    const uint32_t total =
        timeout.read_timeout_constant + timeout.read_timeout_multiplier * static_cast<uint32_t>(size);
    const MillisecondTimer timer(total);

    // Whatever is already waiting is taken without any wait.
    const ssize_t first = ::read(fd, buffer, size);
    size_t bytesRead = first > 0 ? static_cast<size_t>(first) : 0;
    if (bytesRead == size)
        return size;

    while (bytesRead < size)
    {
        const int64_t remaining = timer.remaining();
        if (remaining < 1)
            break;

        // An inter-byte wait that runs out does not end the read; only the
        // total deadline does.
        const auto wait = static_cast<uint32_t>(std::min<int64_t>(timeout.inter_byte_timeout, remaining));
        if (!waitReadable(*lease, wait, "Serial::read"))
            continue;

        if (timeout.inter_byte_timeout == Timeout::max() && size > 1)
        {
            const size_t waiting = bytesWaiting(fd);
            if (waiting + bytesRead < size)
                sleepByteTimes(size - waiting - bytesRead, current.byteTimeNs);
        }

        const ssize_t result = ::read(fd, buffer + bytesRead, size - bytesRead);
        if (result == 0)
            // Readable but at its end: the far end hung up.
            throw IOException(__FILE__, __LINE__,
                              "device reports readiness to read but returned no data (device disconnected?)");
        if (result < 0)
        {
            const int error = errno;
            if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR)
                continue;
            throw IOException(__FILE__, __LINE__, error);
        }

        bytesRead += static_cast<size_t>(result);
        if (bytesRead == size)
            return size;
        if (bytesRead > size)
            throw SerialException("read over read, too many bytes where read, this shouldn't happen, might "
                                  "be a logical error!");
    }
    return bytesRead;
}

size_t Serial::SerialImpl::write(const uint8_t* data, size_t size)
{
    const auto lease = descriptor.lease();
    if (!lease)
        throw PortNotOpenedException("Serial::write");
    const int fd = lease->fd();
    const Timeout timeout = getTimeout();

    const uint32_t total =
        timeout.write_timeout_constant + timeout.write_timeout_multiplier * static_cast<uint32_t>(size);
    const MillisecondTimer timer(total);
    if (size == 0)
        return 0;

    size_t written = 0;
    bool firstPass = true;
    while (true)
    {
        const int64_t remaining = timer.remaining();
        // The first pass always tries, if only as a poll.
        if (!firstPass && remaining < 1)
            return written;
        firstPass = false;

        const timespec wait = timespec_from_ms(remaining > 0 ? static_cast<uint32_t>(remaining) : 0);
        switch (descriptor.wait(*lease, POLLOUT, &wait))
        {
        case detail::InterruptibleDescriptor::WaitResult::interrupted:
            continue;
        case detail::InterruptibleDescriptor::WaitResult::timedOut:
            return written;
        case detail::InterruptibleDescriptor::WaitResult::closing:
            throw PortNotOpenedException("Serial::write");
        case detail::InterruptibleDescriptor::WaitResult::ready:
            break;
        }

        const ssize_t result = ::write(fd, data + written, size - written);
        const int error = errno;
        if (result == -1 && error == EINTR)
            continue;
        if (result < 1)
        {
            const std::string text =
                "device reports readiness to write but returned no data (device disconnected?) errno=" +
                std::to_string(error) + " bytes_written_now= " + std::to_string(result) +
                " bytes_written=" + std::to_string(written) + " length=" + std::to_string(size);
            // A failing device is an I/O error; a full queue despite the
            // readiness report is not.
            if (result == -1 && error != EAGAIN && error != EWOULDBLOCK)
                throw IOException(__FILE__, __LINE__, text.c_str());
            throw SerialException(text.c_str());
        }

        written += static_cast<size_t>(result);
        if (written == size)
            return size;
        if (written > size)
            throw SerialException("write over wrote, too many bytes where written, this shouldn't happen, "
                                  "might be a logical error!");
    }
}

void Serial::SerialImpl::setPort(const std::string& port)
{
    const std::lock_guard lock(lifecycleMutex);
    const bool wasOpen = descriptor.holdsDescriptor();
    if (wasOpen)
        closeWhileLocked();
    {
        const std::lock_guard settingsLock(settingsMutex);
        settings.port = port;
    }
    if (wasOpen)
        openWhileLocked();
}

std::string Serial::SerialImpl::getPort() const
{
    const std::lock_guard lock(settingsMutex);
    return settings.port;
}

void Serial::SerialImpl::setTimeout(const Timeout& timeout)
{
    const std::lock_guard lock(settingsMutex);
    settings.timeout = timeout;
}

Timeout Serial::SerialImpl::getTimeout() const
{
    const std::lock_guard lock(settingsMutex);
    return settings.timeout;
}

void Serial::SerialImpl::setBaudrate(uint32_t baudrate)
{
    checkBaudrate(baudrate);
    const std::lock_guard lock(lifecycleMutex);
    {
        const std::lock_guard settingsLock(settingsMutex);
        settings.baudrate = baudrate;
    }
    reconfigureIfOpen();
}

uint32_t Serial::SerialImpl::getBaudrate() const
{
    const std::lock_guard lock(settingsMutex);
    return settings.baudrate;
}

void Serial::SerialImpl::setBytesize(bytesize_t bytesize)
{
    const std::lock_guard lock(lifecycleMutex);
    {
        const std::lock_guard settingsLock(settingsMutex);
        settings.bytesize = bytesize;
    }
    reconfigureIfOpen();
}

bytesize_t Serial::SerialImpl::getBytesize() const
{
    const std::lock_guard lock(settingsMutex);
    return settings.bytesize;
}

void Serial::SerialImpl::setParity(parity_t parity)
{
    const std::lock_guard lock(lifecycleMutex);
    {
        const std::lock_guard settingsLock(settingsMutex);
        settings.parity = parity;
    }
    reconfigureIfOpen();
}

parity_t Serial::SerialImpl::getParity() const
{
    const std::lock_guard lock(settingsMutex);
    return settings.parity;
}

void Serial::SerialImpl::setStopbits(stopbits_t stopbits)
{
    const std::lock_guard lock(lifecycleMutex);
    {
        const std::lock_guard settingsLock(settingsMutex);
        settings.stopbits = stopbits;
    }
    reconfigureIfOpen();
}

stopbits_t Serial::SerialImpl::getStopbits() const
{
    const std::lock_guard lock(settingsMutex);
    return settings.stopbits;
}

void Serial::SerialImpl::setFlowcontrol(flowcontrol_t flowcontrol)
{
    const std::lock_guard lock(lifecycleMutex);
    {
        const std::lock_guard settingsLock(settingsMutex);
        settings.flowcontrol = flowcontrol;
    }
    reconfigureIfOpen();
}

flowcontrol_t Serial::SerialImpl::getFlowcontrol() const
{
    const std::lock_guard lock(settingsMutex);
    return settings.flowcontrol;
}

void Serial::SerialImpl::flush()
{
    const auto lease = descriptor.lease();
    if (!lease)
        throw PortNotOpenedException("Serial::flush");
    // Wait for the output queue to empty in short steps a close can end,
    // then let tcdrain wait for the last character.
    int queued = 0;
    while (::ioctl(lease->fd(), TIOCOUTQ, &queued) == 0 && queued > 0)
        if (descriptor.sleep(timespec_from_ms(1)) == detail::InterruptibleDescriptor::WaitResult::closing)
            throw PortNotOpenedException("Serial::flush");
    ::tcdrain(lease->fd());
}

void Serial::SerialImpl::flushInput()
{
    const auto lease = descriptor.lease();
    if (!lease)
        throw PortNotOpenedException("Serial::flushInput");
    ::tcflush(lease->fd(), TCIFLUSH);
}

void Serial::SerialImpl::flushOutput()
{
    const auto lease = descriptor.lease();
    if (!lease)
        throw PortNotOpenedException("Serial::flushOutput");
    ::tcflush(lease->fd(), TCOFLUSH);
}

void Serial::SerialImpl::sendBreak(int duration)
{
    const auto lease = descriptor.lease();
    if (!lease)
        throw PortNotOpenedException("Serial::sendBreak");
    ::tcsendbreak(lease->fd(), duration / 4);
}

void Serial::SerialImpl::setBreak(bool level)
{
    const auto lease = descriptor.lease();
    if (!lease)
        throw PortNotOpenedException("Serial::setBreak");
    if (::ioctl(lease->fd(), level ? TIOCSBRK : TIOCCBRK) == -1)
        throw SerialException(ioctlFailure(level ? "setBreak failed on a call to ioctl(TIOCSBRK): "
                                                 : "setBreak failed on a call to ioctl(TIOCCBRK): ",
                                           errno)
                                  .c_str());
}

void Serial::SerialImpl::setModemLine(int line, bool level, const char* description, const char* setText,
                                      const char* clearText)
{
    const auto lease = descriptor.lease();
    if (!lease)
        throw PortNotOpenedException(description);
    if (::ioctl(lease->fd(), level ? TIOCMBIS : TIOCMBIC, &line) == -1)
        throw SerialException(ioctlFailure(level ? setText : clearText, errno).c_str());
}

void Serial::SerialImpl::setRTS(bool level)
{
    setModemLine(TIOCM_RTS, level, "Serial::setRTS", "setRTS failed on a call to ioctl(TIOCMBIS): ",
                 "setRTS failed on a call to ioctl(TIOCMBIC): ");
}

void Serial::SerialImpl::setDTR(bool level)
{
    setModemLine(TIOCM_DTR, level, "Serial::setDTR", "setDTR failed on a call to ioctl(TIOCMBIS): ",
                 "setDTR failed on a call to ioctl(TIOCMBIC): ");
}

bool Serial::SerialImpl::waitForChange()
{
    while (true)
    {
        {
            const auto lease = descriptor.lease();
            if (!lease)
                return false;
            int status = 0;
            if (::ioctl(lease->fd(), TIOCMGET, &status) == -1)
                throw SerialException(
                    ioctlFailure("waitForChange failed on a call to ioctl(TIOCMGET): ", errno).c_str());
            if ((status & (TIOCM_CTS | TIOCM_CD | TIOCM_RI | TIOCM_DSR)) != 0)
                return true;
        }
        descriptor.sleep(timespec_from_ms(1));
    }
}

int Serial::SerialImpl::modemLines(const char* description, const char* failureText)
{
    const auto lease = descriptor.lease();
    if (!lease)
        throw PortNotOpenedException(description);
    int status = 0;
    if (::ioctl(lease->fd(), TIOCMGET, &status) == -1)
        throw SerialException(ioctlFailure(failureText, errno).c_str());
    return status;
}

bool Serial::SerialImpl::getCTS()
{
    return (modemLines("Serial::getCTS", "getCTS failed on a call to ioctl(TIOCMGET): ") & TIOCM_CTS) != 0;
}

bool Serial::SerialImpl::getDSR()
{
    return (modemLines("Serial::getDSR", "getDSR failed on a call to ioctl(TIOCMGET): ") & TIOCM_DSR) != 0;
}

bool Serial::SerialImpl::getRI()
{
    return (modemLines("Serial::getRI", "getRI failed on a call to ioctl(TIOCMGET): ") & TIOCM_RI) != 0;
}

bool Serial::SerialImpl::getCD()
{
    return (modemLines("Serial::getCD", "getCD failed on a call to ioctl(TIOCMGET): ") & TIOCM_CD) != 0;
}

} // namespace serial
