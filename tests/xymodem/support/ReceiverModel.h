#pragma once

#include <cstdint>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace xymodemtest
{
using Bytes = std::vector<uint8_t>;

// An in-process YModem receiver: it reassembles the files and answers as a
// standard receiver does unless the test's fault hook answers in its place.
class ReceiverModel
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

    struct Event
    {
        Kind kind;
        int position; // data: index of the packet in its file
        int attempt;  // times this packet, EOT or header came before
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
        long long size = 0, modificationTime = 0;
        std::string data;
    };

    void setFault(Fault hook) { fault = std::move(hook); }
    std::vector<Bytes> onWrite(const Bytes& written);

    const std::vector<File>& files() const noexcept { return received; }
    const std::vector<Event>& events() const noexcept { return history; }
    bool batchEnded() const noexcept { return ended; }

private:
    Event classify(const Bytes& written);
    void accept(const Event& event, const Bytes& written);

    Fault fault;
    std::vector<File> received;
    std::vector<Event> history;
    int acceptedInFile = 0, headerAttempts = 0, eotAttempts = 0, lastPosition = -1, positionAttempts = 0;
    bool inFile = false, ended = false;
};
} // namespace xymodemtest
