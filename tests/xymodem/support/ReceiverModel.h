#pragma once

#include "ScriptedDevice.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace xymodemtest
{
// A YModem receiver in the test's own process: it checks every packet it
// is sent (numbers, complements, CRC, order), reassembles the files, and
// answers as a standard receiver does unless the test's fault hook answers
// in its place.
class ReceiverModel
{
public:
    enum class Kind
    {
        header,
        data,
        eot,
        endOfBatch,
        cancel,
        invalid
    };

    struct Event
    {
        Kind kind;
        int file;     // index of the file in the order received
        int position; // data: index of the packet in its file
        int attempt;  // times this packet, EOT or header came before
        uint8_t number;
    };

    struct Reply
    {
        std::vector<Bytes> reads;
        bool accept = true; // false: the packet is thrown away, as after a NAK
    };

    using Fault = std::function<std::optional<Reply>(const Event&)>;

    struct File
    {
        std::string name;
        long long size = 0;
        long long modificationTime = 0;
        std::string data;
        bool complete = false;
    };

    // Answers a header's ACK and the "C" that follows in one read, or in two.
    void setAckAndRequestTogether(bool together) { ackAndRequestTogether = together; }
    void setFault(Fault hook) { fault = std::move(hook); }

    // The device's responder.
    std::vector<Bytes> onWrite(const Bytes& written);

    const std::vector<File>& files() const noexcept { return received; }
    const std::vector<Event>& events() const noexcept { return history; }
    const std::vector<std::string>& problems() const noexcept { return faults; }
    bool batchEnded() const noexcept { return ended; }
    // Packet numbers of the data packets accepted, in order.
    const std::vector<uint8_t>& acceptedNumbers() const noexcept { return numbers; }

private:
    Event classify(const Bytes& written);
    Reply standardReply(const Event& event) const;
    void accept(const Event& event, const Bytes& written);

    bool ackAndRequestTogether = true;
    Fault fault;
    std::vector<File> received;
    std::vector<Event> history;
    std::vector<std::string> faults;
    std::vector<uint8_t> numbers;
    uint8_t expectedNumber = 1;
    int acceptedInFile = 0;
    int headerAttempts = 0;
    int eotAttempts = 0;
    int lastPosition = -1;
    int positionAttempts = 0;
    bool ended = false;
};
} // namespace xymodemtest
