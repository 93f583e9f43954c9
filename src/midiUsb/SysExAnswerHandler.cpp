#include "midiUsb/SysExAnswerHandler.h"

#include "common/FmtJuceString.h"
#include "midiUsb/SysExAnswerParser.h"

#include <spdlog/spdlog.h>

namespace midiUsb
{
namespace
{
const std::uint8_t* bytesOf(const juce::MidiMessage& message)
{
    return message.getRawData();
}

std::size_t sizeOf(const juce::MidiMessage& message)
{
    return static_cast<std::size_t>(std::max(0, message.getRawDataSize()));
}
} // namespace

SysExAnswerHandler::SysExAnswerHandler(MessageRequestQueue& requestQueue, ListenerCall listeners)
    : queue(requestQueue)
    , callListeners(std::move(listeners))
{
}

SysExAnswer SysExAnswerHandler::handle(const juce::MidiMessage& message)
{
    spdlog::debug("Midi message received: {}", message.getDescription());

    auto answer = SysExAnswerParser::parse(bytesOf(message), sizeOf(message));
    completeRequest(answer);
    if (answer.problem.isNotEmpty())
        spdlog::error("{}", answer.problem);

    if (callListeners)
        callListeners(message);
    return answer;
}

void SysExAnswerHandler::completeRequest(const SysExAnswer& answer)
{
    if (answer.outcome == SysExAnswer::Outcome::none)
        return;

    if (answer.kind == SysExAnswer::Kind::keyPosition)
    {
        const auto request = queue.getRequestInFlight();
        if (!request || !answer.belongsTo(bytesOf(*request), sizeOf(*request)))
            spdlog::error(SysExAnswerParser::requestedKeyMismatchText);
    }

    // The queue completes only a request in flight that the answer belongs
    // to; a late, early or stray answer leaves the queue alone, unless it may
    // stand in for an answer that never names its request.
    const auto fit = [&answer](const juce::MidiMessage& request)
    {
        using Fit = MessageRequestQueue::AnswerFit;
        switch (answer.matchRequest(bytesOf(request), sizeOf(request)))
        {
        case SysExAnswer::RequestMatch::matches:
            return Fit::belongs;
        case SysExAnswer::RequestMatch::mayStandIn:
            return Fit::mayStandIn;
        default:
            return Fit::foreign;
        }
    };

    if (answer.outcome == SysExAnswer::Outcome::success)
        queue.currentRequestSucceeded(answer.text, fit);
    else
        queue.currentRequestHasEmptyResult(fit, answer.malformed);
}
} // namespace midiUsb
