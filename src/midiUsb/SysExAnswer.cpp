#include "midiUsb/SysExAnswer.h"

#include "midiUsb/SysExCommand.h"

#include <algorithm>

namespace midiUsb
{
namespace
{
constexpr std::size_t shortestRequest = SysExFraming::firstSubCodeOffset + 1; // F0 id command F7

bool isOurRequest(const std::uint8_t* request, std::size_t size)
{
    return request != nullptr && size >= shortestRequest && request[0] == SysExFraming::start &&
           std::equal(std::begin(SysExFraming::manufacturerId), std::end(SysExFraming::manufacturerId),
                      request + 1);
}

std::optional<SysExCommand> answerCommandFor(std::uint8_t requestCommand)
{
    if (requestCommand == static_cast<std::uint8_t>(SysExCommand::infoRequest))
        return SysExCommand::infoAnswer;
    if (requestCommand == static_cast<std::uint8_t>(SysExCommand::dataRequest))
        return SysExCommand::dataAnswer;
    return std::nullopt;
}

constexpr std::size_t keyIndexInEcho = 2; // 04 02 key
} // namespace

SysExAnswer::RequestMatch SysExAnswer::matchRequest(const std::uint8_t* request,
                                                    std::size_t requestSize) const
{
    // An answer cut before anything it repeats could be anyone's.
    if (!command || kind == Kind::acknowledge || echoedSubCodes.empty() ||
        !isOurRequest(request, requestSize))
        return RequestMatch::otherRequest;

    const auto expectedCommand = answerCommandFor(request[SysExFraming::commandOffset]);
    if (!expectedCommand || static_cast<std::uint8_t>(*expectedCommand) != *command)
        return RequestMatch::otherRequest;

    // The request's sub-codes lie between the command byte and F7; an info
    // answer repeats the first (the type asked for), a data answer all.
    const auto requestSubCodes = requestSize - 1 - SysExFraming::firstSubCodeOffset;
    const auto compared = std::min(requestSubCodes, echoedSubCodes.size());
    if (compared == 0)
        return RequestMatch::otherRequest;
    for (std::size_t i = 0; i < compared; ++i)
    {
        if (echoedSubCodes[i] == request[SysExFraming::firstSubCodeOffset + i])
            continue;
        if (kind == Kind::info)
            return RequestMatch::mayStandIn;
        return kind == Kind::keyPosition && i == keyIndexInEcho ? RequestMatch::otherKey
                                                                : RequestMatch::otherRequest;
    }
    return RequestMatch::matches;
}
} // namespace midiUsb
