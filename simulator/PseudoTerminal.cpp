#include "PseudoTerminal.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace simulator
{
PseudoTerminal::PseudoTerminal(Use use)
{
    char name[256] = {};
    termios raw{};
    ::cfmakeraw(&raw);
    if (::openpty(&master, &slave, name, use == Use::lineForPeer ? &raw : nullptr, nullptr) == -1)
        throw std::system_error(errno, std::generic_category(), "openpty");
    path = name;
    // When the test plays the device, the master side must never block it.
    if (use == Use::testPlaysDevice)
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    // A peer gets its side through dup2, which clears the flag on its copy.
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
}

PseudoTerminal::~PseudoTerminal()
{
    releaseMaster();
    releaseSlave();
}

void PseudoTerminal::writeToPort(const std::vector<uint8_t>& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size())
    {
        const ssize_t result = ::write(master, bytes.data() + written, bytes.size() - written);
        if (result > 0)
            written += static_cast<std::size_t>(result);
        else if (result == -1 && errno != EAGAIN && errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "write to the master");
        else
        {
            pollfd fd{master, POLLOUT, 0};
            ::poll(&fd, 1, 100);
        }
    }
}

std::vector<uint8_t> PseudoTerminal::readFromPort(std::size_t count, std::chrono::milliseconds timeout)
{
    std::vector<uint8_t> bytes;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (bytes.size() < count && std::chrono::steady_clock::now() < deadline)
    {
        uint8_t buffer[4096];
        const ssize_t result = ::read(master, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (result > 0)
            bytes.insert(bytes.end(), buffer, buffer + result);
        else
        {
            pollfd fd{master, POLLIN, 0};
            ::poll(&fd, 1, 10);
        }
    }
    return bytes;
}

void PseudoTerminal::drain()
{
    uint8_t buffer[4096];
    while (::read(master, buffer, sizeof buffer) > 0)
    {
    }
}

void PseudoTerminal::hangUp()
{
    releaseMaster();
}

void PseudoTerminal::releaseMaster()
{
    if (master != -1)
        ::close(master);
    master = -1;
}

void PseudoTerminal::releaseSlave()
{
    if (slave != -1)
        ::close(slave);
    slave = -1;
}
int PseudoTerminal::closeForeignSlaveDescriptors()
{
    // Matched by the link's target, never by fstat: the other descriptors of
    // the process belong to other threads, which may be opening or closing them.
    std::vector<int> foreign;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    {
        const int fd = std::stoi(entry.path().filename().string());
        std::error_code error;
        if (fd != slave && fd != master && std::filesystem::read_symlink(entry.path(), error) == path)
            foreign.push_back(fd);
    }
    for (const int fd : foreign)
        ::close(fd);
    return static_cast<int>(foreign.size());
}

} // namespace simulator
