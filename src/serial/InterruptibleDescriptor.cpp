#include "InterruptibleDescriptor.h"

#include "SerialExceptions.h"

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace serial::detail
{
namespace
{
int makeWakeFd()
{
    const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd == -1)
        throw IOException(__FILE__, __LINE__, errno);
    return fd;
}
} // namespace

InterruptibleDescriptor::Lease::Lease(InterruptibleDescriptor& leaseOwner, int fd) noexcept
    : owner(&leaseOwner)
    , descriptor(fd)
{
}

InterruptibleDescriptor::Lease::Lease(Lease&& other) noexcept
    : owner(other.owner)
    , descriptor(other.descriptor)
{
    other.owner = nullptr;
}

InterruptibleDescriptor::Lease::~Lease()
{
    if (owner != nullptr)
        owner->release();
}

InterruptibleDescriptor::InterruptibleDescriptor()
    : wakeFd(makeWakeFd())
{
}

InterruptibleDescriptor::~InterruptibleDescriptor()
{
    close();
    ::close(wakeFd);
}

void InterruptibleDescriptor::adopt(int fd)
{
    const std::lock_guard lock(mutex);
    descriptor = fd;
}

bool InterruptibleDescriptor::holdsDescriptor() const
{
    const std::lock_guard lock(mutex);
    return descriptor != -1;
}

std::optional<InterruptibleDescriptor::Lease> InterruptibleDescriptor::lease()
{
    const std::lock_guard lock(mutex);
    if (descriptor == -1 || closing)
        return std::nullopt;
    ++leases;
    return Lease(*this, descriptor);
}

void InterruptibleDescriptor::release() noexcept
{
    const std::lock_guard lock(mutex);
    if (--leases == 0)
        stateChanged.notify_all();
}

InterruptibleDescriptor::WaitResult InterruptibleDescriptor::wait(const Lease& lease, short events,
                                                                  const timespec* timeout)
{
    return poll(lease.fd(), events, timeout);
}

InterruptibleDescriptor::WaitResult InterruptibleDescriptor::sleep(const timespec& duration)
{
    return poll(-1, 0, &duration) == WaitResult::closing ? WaitResult::closing : WaitResult::timedOut;
}

InterruptibleDescriptor::WaitResult InterruptibleDescriptor::poll(int fd, short events,
                                                                  const timespec* timeout)
{
    // A negative descriptor is ignored by ppoll, which leaves the wake alone.
    pollfd fds[2] = {{wakeFd, POLLIN, 0}, {fd, events, 0}};
    const int result = ::ppoll(fds, 2, timeout, nullptr);
    if (result < 0)
    {
        if (errno == EINTR)
            return WaitResult::interrupted;
        throw IOException(__FILE__, __LINE__, errno);
    }
    if (result == 0)
        return WaitResult::timedOut;
    if ((fds[0].revents & POLLIN) != 0)
        return WaitResult::closing;
    // A hang-up or an error counts as ready: the next read or write reports it.
    if ((fds[1].revents & (events | POLLHUP | POLLERR | POLLNVAL)) != 0)
        return WaitResult::ready;
    throw IOException(
        __FILE__, __LINE__,
        events == POLLIN
            ? "select reports ready to read, but our fd isn't in the list, this shouldn't happen!"
            : "select reports ready to write, but our fd isn't in the list, this shouldn't happen!");
}

int InterruptibleDescriptor::close()
{
    std::unique_lock lock(mutex);
    // A close already under way on another thread: let it finish first.
    stateChanged.wait(lock, [this] { return !closing; });
    if (descriptor == -1)
        return 0;

    closing = true;
    const uint64_t one = 1;
    [[maybe_unused]] const auto signalled = ::write(wakeFd, &one, sizeof one);
    stateChanged.wait(lock, [this] { return leases == 0; });

    const int result = ::close(descriptor);
    const int error = result == 0 ? 0 : errno;
    descriptor = -1;

    uint64_t count = 0;
    [[maybe_unused]] const auto drained = ::read(wakeFd, &count, sizeof count);
    closing = false;
    stateChanged.notify_all();
    return error;
}

} // namespace serial::detail
