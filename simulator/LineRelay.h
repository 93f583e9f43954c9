#pragma once

#include "PseudoTerminal.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace simulator
{
// Copies bytes both ways between the masters of two pty pairs on a thread of
// its own, as a serial line would: the sender's bytes reach the receiver whole
// packets or control bytes at a time, no sooner than 1 ms after the receiver's
// last answer (rb flushes its input right after each ACK; on a bare pty a quick
// sender's next packet could be flushed with it). It records the units, and can
// corrupt one byte, lose one unit or the ACK of one. When the receiver's side
// hangs up, it hangs up the sender's side too.
class LineRelay
{
public:
    enum class Kind
    {
        header,
        data,
        eot,
        endOfBatch,
        other
    };

    struct Options
    {
        // The index, counted from 0, of the byte from the sender to corrupt.
        std::optional<size_t> corruptAt;
        // The first unit of the kind never reaches the receiver.
        std::optional<Kind> lose;
        // The receiver's first ACK after the first unit of the kind never reaches the sender.
        std::optional<Kind> loseAckOf;
        // Until the sender's first byte, the receiver's "C" again at this interval,
        // as a device does: a sender that opens the port late flushes the first away.
        std::optional<std::chrono::milliseconds> repeatStartRequest;
        // The device goes away at the receiver's n-th ACK (counted from 1),
        // after passing it on or instead of it.
        std::optional<size_t> hangUpAtAck;
        bool passLastAck = true;
    };

    // A packet (its number) or a control byte (the byte) from the sender.
    struct Unit
    {
        Kind kind;
        uint8_t number;
    };

    LineRelay(PseudoTerminal& senderLink, PseudoTerminal& receiverLink, Options options);
    ~LineRelay();

    LineRelay(const LineRelay&) = delete;
    LineRelay& operator=(const LineRelay&) = delete;

    size_t forwardedToReceiver() const noexcept { return forwarded.load(); }
    std::vector<Unit> units() const;
    // How often units of the kind (and number, when given) were sent.
    int timesSent(Kind kind, std::optional<uint8_t> number = std::nullopt) const;
    // The sender's side was hung up: the receiver left or a fault said so.
    bool hasHungUp() const noexcept { return hungUp.load(); }

private:
    void run();
    void takeFromSender(const uint8_t* data, size_t length);
    void passUnit(std::vector<uint8_t> unit);
    // False once the line was hung up.
    bool passToSender(uint8_t* data, size_t length);
    void repeatStartRequestWhenDue();
    void hangUp();
    Kind classify(const std::vector<uint8_t>& unit);
    bool isFirst(const std::optional<Kind>& chosen, Kind kind) const;

    PseudoTerminal& senderLink;
    const int senderSide;
    const int receiverSide;
    const Options options;
    std::chrono::steady_clock::time_point lastAnswer;
    std::vector<uint8_t> pending;
    size_t fromSender = 0;
    bool dataInFile = false;
    bool ackToLose = false;
    std::atomic<size_t> forwarded{0};
    std::atomic<bool> hungUp{false};
    size_t acks = 0;
    bool receiverAskedToStart = false;
    std::chrono::steady_clock::time_point lastStartRequest;
    mutable std::mutex unitsMutex;
    std::vector<Unit> sent;
    std::atomic<bool> stopping{false};
    std::thread thread;
};
} // namespace simulator
