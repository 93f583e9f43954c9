#include "midiUsb/MessageRequestQueue.h"

#include "common/FmtJuceString.h"

#include <spdlog/spdlog.h>

namespace midiUsb
{
namespace
{
bool isInFlight(const MidiOutputMessage& request)
{
    return request.sent && !request.completed;
}

template <typename Function, typename... Args>
void runIfSet(const Function& function, Args&&... args)
{
    if (function)
        function(std::forward<Args>(args)...);
}

void deliver(const MidiOutputMessage& request, const MidiOutputMessage::Answer& answer)
{
    using Outcome = MidiOutputMessage::Answer::Outcome;
    if (answer.outcome == Outcome::success)
        runIfSet(request.onSuccess, answer.text);
    else if (answer.outcome == Outcome::malformed && request.onMalformedResult)
        request.onMalformedResult();
    else
        runIfSet(request.onEmptyResult);
}
} // namespace

void MessageRequestQueue::add(const juce::MidiMessage& message, const std::function<void()>& onTimeout,
                              const std::function<void(juce::String const&)>& onSuccess,
                              const std::function<void()>& onEmptyResult,
                              const std::function<void()>& onMalformedResult)
{
    MidiOutputMessage request{message, onTimeout, onSuccess, onEmptyResult, onMalformedResult};
    const std::lock_guard lock(mutex);
    request.sequenceNumber = nextSequenceNumber++;
    requests.push_back(std::move(request));
    if (tickSwitch && !ticking)
    {
        ticking = true;
        tickSwitch(true);
    }
}

void MessageRequestQueue::setTickSwitch(TickSwitch newTickSwitch)
{
    const std::lock_guard lock(mutex);
    tickSwitch = std::move(newTickSwitch);
}

void MessageRequestQueue::tick()
{
    // Only the front's flags are looked at on most ticks: the request and
    // its callbacks are copied only to be sent or timed out.
    auto front = peekFront();
    if (!front)
        return;

    if (front->completed)
    {
        removeFront(front->sequenceNumber);
        front = peekFront();
        if (!front)
            return;
    }

    if (!front->sent)
    {
        tickCount = 0;
        sendFront();
        return;
    }

    if (front->completed)
        return;

    if (tickCount++ < timeoutTicks - 1)
        return;

    tickCount = 0;
    const auto request = copyFront();
    if (!request || request->sequenceNumber != front->sequenceNumber ||
        !markFront(front->sequenceNumber, &MidiOutputMessage::completed))
        return;

    if (request->standIn)
    {
        spdlog::info("MessageRequestQueue: No answer named the current request, completed with the answer "
                     "kept for it.");
        deliver(*request, *request->standIn);
        return;
    }
    runIfSet(request->onTimeout);
    spdlog::warn("MessageRequestQueue: Current request timedout !");
}

void MessageRequestQueue::endRequestInFlight()
{
    const auto front = copyFront();
    if (!front || !isInFlight(*front) || !markFront(front->sequenceNumber, &MidiOutputMessage::completed))
        return;
    tickCount = 0;
    runIfSet(front->onTimeout);
    spdlog::warn("MessageRequestQueue: Current request ended, its output was released !");
}

void MessageRequestQueue::sendFront()
{
    const auto front = copyFront();
    if (!front)
        return;

    const auto description = front->message.getDescription();
    if (sendFunction)
    {
        spdlog::debug("Sending message to connected device: {}", description);
        sendFunction(front->message);
        markFront(front->sequenceNumber, &MidiOutputMessage::sent);
    }
    else
    {
        spdlog::warn("No midi output available. The following message could not be sent: {}", description);
        removeFront(front->sequenceNumber);
        // The caller must not take silence for success.
        runIfSet(front->onTimeout);
    }
}

MessageRequestQueue::Completion MessageRequestQueue::currentRequestSucceeded(juce::String const& result,
                                                                             const AnswerMatcher& matches)
{
    return complete(matches, {MidiOutputMessage::Answer::Outcome::success, result});
}

MessageRequestQueue::Completion
MessageRequestQueue::currentRequestHasEmptyResult(const AnswerMatcher& matches, bool malformed)
{
    using Outcome = MidiOutputMessage::Answer::Outcome;
    return complete(matches, {malformed ? Outcome::malformed : Outcome::emptyResult, {}});
}

MessageRequestQueue::Completion MessageRequestQueue::complete(const AnswerMatcher& matches,
                                                              const MidiOutputMessage::Answer& answer)
{
    const auto* const noRequestWarning = answer.outcome == MidiOutputMessage::Answer::Outcome::success
                                             ? "MessageRequestQueue: Success but no pending request !"
                                             : "MessageRequestQueue: Empty result but no pending request !";
    const auto front = copyFront();
    if (!front || !isInFlight(*front))
    {
        spdlog::warn(noRequestWarning);
        return Completion::noRequestInFlight;
    }

    const auto fit = matches ? matches(front->message) : AnswerFit::belongs;
    if (fit == AnswerFit::mayStandIn && keepStandIn(front->sequenceNumber, answer))
    {
        spdlog::debug("MessageRequestQueue: Answer kept for the current request until its time-out.");
        return Completion::keptAsStandIn;
    }
    if (fit != AnswerFit::belongs)
    {
        spdlog::warn("MessageRequestQueue: Answer does not match the pending request !");
        return Completion::answerDoesNotMatch;
    }

    // Claimed before the callback runs, so a second answer cannot complete
    // the same request again.
    if (!markFront(front->sequenceNumber, &MidiOutputMessage::completed))
    {
        spdlog::warn(noRequestWarning);
        return Completion::noRequestInFlight;
    }

    spdlog::debug("MessageRequestQueue: Current request succeeded !");
    deliver(*front, answer);
    return Completion::completed;
}

std::optional<juce::MidiMessage> MessageRequestQueue::getRequestInFlight() const
{
    const std::lock_guard lock(mutex);
    if (requests.empty() || !isInFlight(requests.front()))
        return std::nullopt;
    return requests.front().message;
}

bool MessageRequestQueue::isEmpty() const
{
    const std::lock_guard lock(mutex);
    return requests.empty();
}

void MessageRequestQueue::clear()
{
    // The callbacks are destroyed outside the lock: they may own anything.
    std::deque<MidiOutputMessage> removed;
    {
        const std::lock_guard lock(mutex);
        removed.swap(requests);
    }
}

void MessageRequestQueue::setSendFunction(std::function<void(juce::MidiMessage const&)> function)
{
    sendFunction = std::move(function);
}

bool MessageRequestQueue::hasSendFunction() const
{
    return static_cast<bool>(sendFunction);
}

std::optional<MessageRequestQueue::FrontState> MessageRequestQueue::peekFront()
{
    const std::lock_guard lock(mutex);
    if (requests.empty())
    {
        // Under the lock, so that a request added meanwhile switches the
        // tick on again after this, never before.
        if (tickSwitch && ticking)
        {
            ticking = false;
            tickSwitch(false);
        }
        return std::nullopt;
    }
    const auto& front = requests.front();
    return FrontState{front.sequenceNumber, front.sent, front.completed};
}

std::optional<MidiOutputMessage> MessageRequestQueue::copyFront() const
{
    const std::lock_guard lock(mutex);
    if (requests.empty())
        return std::nullopt;
    return requests.front();
}

MidiOutputMessage* MessageRequestQueue::frontIfStill(std::uint64_t sequenceNumber)
{
    if (requests.empty() || requests.front().sequenceNumber != sequenceNumber)
        return nullptr;
    return &requests.front();
}

void MessageRequestQueue::removeFront(std::uint64_t sequenceNumber)
{
    std::optional<MidiOutputMessage> removed;
    const std::lock_guard lock(mutex);
    if (auto* const front = frontIfStill(sequenceNumber))
    {
        removed = std::move(*front);
        requests.pop_front();
    }
}

bool MessageRequestQueue::keepStandIn(std::uint64_t sequenceNumber, const MidiOutputMessage::Answer& answer)
{
    const std::lock_guard lock(mutex);
    auto* const front = frontIfStill(sequenceNumber);
    if (front == nullptr || front->completed || front->standIn)
        return false;
    front->standIn = answer;
    return true;
}

bool MessageRequestQueue::markFront(std::uint64_t sequenceNumber, bool MidiOutputMessage::*flag)
{
    const std::lock_guard lock(mutex);
    auto* const front = frontIfStill(sequenceNumber);
    if (front == nullptr || front->*flag)
        return false;
    front->*flag = true;
    return true;
}
} // namespace midiUsb
