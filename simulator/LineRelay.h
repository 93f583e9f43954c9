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
// Copies bytes both ways between the masters of two pseudo-terminal pairs
// on a thread of its own, as a serial line would carry them: bytes from the
// sender reach the receiver no sooner than `turnaround` after the
// receiver's last answer was passed on. (lrzsz's rb flushes its input right
// after writing each ACK; on a bare pseudo-terminal a quick sender's next
// packet can be flushed away with it, on a real line it cannot.) It passes
// the sender's bytes on whole packets or control bytes at a time (bytes
// that only began like a packet go on when the line falls quiet), records
// them, and can flip the bits of one byte, lose one chosen packet or
// control byte, or lose the receiver's ACK of one. When the receiver's side
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

    // The occurrence, counted from 0, of a kind of unit from the sender.
    struct Choice
    {
        Kind kind;
        int occurrence = 0;
    };

    struct Options
    {
        std::chrono::microseconds turnaround{1000};
        // The index, counted from 0, of the byte from the sender to corrupt.
        std::optional<size_t> corruptAt;
        // Never reaches the receiver.
        std::optional<Choice> lose;
        // The receiver's first ACK after this unit was passed on never
        // reaches the sender.
        std::optional<Choice> loseAckOf;
    };

    // A packet (its number) or a control byte (the byte) from the sender.
    struct Unit
    {
        Kind kind;
        uint8_t number;
        bool lost;
    };

    LineRelay(PseudoTerminal& senderLink, PseudoTerminal& receiverLink, Options options);
    ~LineRelay();

    LineRelay(const LineRelay&) = delete;
    LineRelay& operator=(const LineRelay&) = delete;

    size_t forwardedToReceiver() const noexcept { return forwarded.load(); }
    std::vector<Unit> units() const;
    // How often units of the kind (and number, when given) were sent.
    int timesSent(Kind kind, std::optional<uint8_t> number = std::nullopt) const;

private:
    void run();
    void takeFromSender(const uint8_t* data, size_t length);
    void passUnit(std::vector<uint8_t> unit);
    void passToSender(uint8_t* data, size_t length);
    Kind classify(const std::vector<uint8_t>& unit);
    bool isChosen(const std::optional<Choice>& choice, Kind kind) const;

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
    mutable std::mutex unitsMutex;
    std::vector<Unit> sent;
    std::atomic<bool> stopping{false};
    std::thread thread;
};
} // namespace simulator
