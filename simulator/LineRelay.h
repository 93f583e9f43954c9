#pragma once

#include "PseudoTerminal.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <optional>
#include <thread>

namespace simulator
{
// Copies bytes both ways between the masters of two pseudo-terminal pairs
// on a thread of its own, as a serial line would carry them: bytes from the
// sender reach the receiver no sooner than `turnaround` after the
// receiver's last answer was passed on. (lrzsz's rb flushes its input right
// after writing each ACK; on a bare pseudo-terminal a quick sender's next
// packet can be flushed away with it, on a real line it cannot.) It can
// flip the bits of one byte on the way to the receiver. When the
// receiver's side hangs up, it hangs up the sender's side too.
class LineRelay
{
public:
    struct Options
    {
        std::chrono::microseconds turnaround{1000};
        // The index, counted from 0, of the byte from the sender to corrupt.
        std::optional<size_t> corruptAt;
        // Until the sender's first byte, the receiver's "C" again at this
        // interval, as a device's receiver keeps asking: a sender that opens
        // the port late flushes the first one away.
        std::optional<std::chrono::milliseconds> repeatStartRequest;
        // The device goes away at the receiver's n-th ACK (counted from 1),
        // after passing it on or instead of it.
        std::optional<size_t> hangUpAtAck;
        bool passLastAck = true;
    };

    LineRelay(PseudoTerminal& senderLink, PseudoTerminal& receiverLink, Options options);
    ~LineRelay();

    LineRelay(const LineRelay&) = delete;
    LineRelay& operator=(const LineRelay&) = delete;

    size_t forwardedToReceiver() const noexcept { return forwarded.load(); }
    // The sender's side was hung up: the receiver left or a fault said so.
    bool hasHungUp() const noexcept { return hungUp.load(); }

private:
    void run();
    void passToReceiver(uint8_t* data, size_t length);
    // False once the line was hung up.
    bool passToSender(const uint8_t* data, size_t length);
    void repeatStartRequestWhenDue();
    void hangUp();

    PseudoTerminal& senderLink;
    const int senderSide;
    const int receiverSide;
    const Options options;
    std::chrono::steady_clock::time_point lastAnswer;
    std::atomic<size_t> forwarded{0};
    std::atomic<bool> hungUp{false};
    size_t acks = 0;
    bool receiverAskedToStart = false;
    std::chrono::steady_clock::time_point lastStartRequest;
    std::atomic<bool> stopping{false};
    std::thread thread;
};
} // namespace simulator
