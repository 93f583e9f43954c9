#pragma once

#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>

namespace serial::detail
{

// Owns the port's descriptor so that a close from any thread is prompt and
// safe. On Linux closing a descriptor does not wake a thread waiting on it,
// and the number can be handed to the next open() while that thread still
// uses it. So every use of the descriptor happens under a Lease, every wait
// also watches an eventfd, and close() first signals the eventfd, then
// waits for the leases to end before the number is released.
class InterruptibleDescriptor
{
public:
    class Lease
    {
    public:
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&&) = delete;
        Lease(const Lease&) = delete;
        ~Lease();

        int fd() const noexcept { return descriptor; }

    private:
        friend class InterruptibleDescriptor;
        Lease(InterruptibleDescriptor& owner, int fd) noexcept;

        InterruptibleDescriptor* owner;
        int descriptor;
    };

    enum class WaitResult
    {
        ready,
        timedOut,
        interrupted, // a signal arrived
        closing      // close() was called: give the descriptor back now
    };

    InterruptibleDescriptor();
    ~InterruptibleDescriptor();

    InterruptibleDescriptor(const InterruptibleDescriptor&) = delete;
    InterruptibleDescriptor& operator=(const InterruptibleDescriptor&) = delete;

    // Takes ownership of an open descriptor; none may be held.
    void adopt(int fd);
    bool holdsDescriptor() const;

    // A lease on the descriptor, or nothing when none is held or it closes.
    std::optional<Lease> lease();

    // Waits until the leased descriptor has one of the poll events, or the
    // time-out passes (none: no limit). Throws IOException when the wait
    // itself fails.
    WaitResult wait(const Lease& lease, short events, const timespec* timeout);

    // Sleeps, but ends early when close() is called.
    WaitResult sleep(const timespec& duration);

    // Ends every wait, waits for the leases to end and closes the
    // descriptor. Returns 0, or the error number of a failed close; the
    // number is given up either way, as Linux frees it even then. Must not
    // be called by a thread that holds a lease.
    int close();

private:
    void release() noexcept;
    WaitResult poll(int fd, short events, const timespec* timeout);

    const int wakeFd;
    mutable std::mutex mutex;
    std::condition_variable stateChanged;
    int descriptor = -1;
    int leases = 0;
    bool closing = false;
};

} // namespace serial::detail
