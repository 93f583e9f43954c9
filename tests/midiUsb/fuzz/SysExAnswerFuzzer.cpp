// Feeds arbitrary bytes to the SysEx answer parser and to the answer/request
// match, from both sides, in exact-size heap copies so that overreads show.
#include "midiUsb/SysExAnswerParser.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace
{
using midiUsb::SysExAnswer;
using Bytes = std::vector<std::uint8_t>;

std::unique_ptr<std::uint8_t[]> exactCopy(const std::uint8_t* data, std::size_t size)
{
    auto copy = std::make_unique<std::uint8_t[]>(size);
    if (size > 0)
        std::memcpy(copy.get(), data, size);
    return copy;
}

// A request of each kind the application queues, and cut-down ones: the 7-byte
// version request has no key byte, the shortest none past the command.
const std::vector<Bytes> requests{
    {0xF0, 0x00, 0x6B, 0x2D, 0x0C, 0x04, 0xF7},
    {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x01, 0x05, 0xF7},
    {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x01, 0xF7},
    {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x02, 0x0C, 0xF7},
    {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x02, 0xF7},
    {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0xF7},
    {0xF0, 0x00, 0x6B, 0x2D, 0xF7},
    {0xF0},
    {},
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto input = exactCopy(data, size);
    const auto answer = midiUsb::SysExAnswerParser::parse(input.get(), size);
    check(!answer.malformed || answer.outcome == SysExAnswer::Outcome::emptyResult);
    check(answer.outcome == SysExAnswer::Outcome::success || answer.text.isEmpty());
    check(answer.echoedSubCodes.size() <= 3);

    for (const auto& request : requests)
    {
        const auto copy = exactCopy(request.data(), request.size());
        const auto match = answer.matchRequest(copy.get(), request.size());
        check(match == SysExAnswer::RequestMatch::matches ||
              match == SysExAnswer::RequestMatch::otherRequest ||
              match == SysExAnswer::RequestMatch::otherKey ||
              (match == SysExAnswer::RequestMatch::mayStandIn && answer.kind == SysExAnswer::Kind::info));
    }

    // The input taken as the request in flight, against answers of each kind.
    static const std::vector<Bytes> answers{
        {0xF0, 0x00, 0x6B, 0x2D, 0x07, 0x04, 0x02, 0x0C, 0x00, 0xF7},
        {0xF0, 0x00, 0x6B, 0x2D, 0x07, 0x01, 0x05, 0xF7},
        {0xF0, 0x00, 0x6B, 0x2D, 0x0D, 0x04, 0x05, 0x00, 0x41, 0xF7},
        {0xF0, 0x00, 0x6B, 0x2D, 0x07, 0xF7},
    };
    for (const auto& bytes : answers)
    {
        const auto copy = exactCopy(bytes.data(), bytes.size());
        const auto known = midiUsb::SysExAnswerParser::parse(copy.get(), bytes.size());
        static_cast<void>(known.matchRequest(input.get(), size));
    }
    return 0;
}
