#pragma once

#include "midiUsb/MidiOutputMessage.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

namespace midiUsb
{
// The SysEx requests waiting for the instrument. Only the front request is
// ever sent, and only one is in flight (sent, not completed) at a time.
//
// tick(), the completions and the send function belong to the message
// thread; add, isEmpty and clear may be called from any thread. Sending and
// every callback run outside the mutex, so a callback may queue a request.
class MessageRequestQueue
{
public:
    // How an answer fits the request in flight, given that request's bytes
    // (echoed sub-codes, key).
    enum class AnswerFit
    {
        belongs,
        // Does not name the request, yet may be its answer: kept, it
        // completes the request at its time-out if no answer naming it came.
        mayStandIn,
        foreign
    };
    using AnswerMatcher = std::function<AnswerFit(const juce::MidiMessage& request)>;

    enum class Completion
    {
        completed,
        keptAsStandIn,
        noRequestInFlight,
        answerDoesNotMatch
    };

    static constexpr int timeoutTicks = 1000;

    // Switches the owner's tick on when a request arrives at an idle queue
    // and off when a tick finds the queue empty, so that an idle queue
    // wakes nobody. Called under the queue's lock, from the thread that
    // adds or ticks; set before any request is added.
    using TickSwitch = std::function<void(bool run)>;
    void setTickSwitch(TickSwitch tickSwitch);

    void add(const juce::MidiMessage& message, const std::function<void()>& onTimeout,
             const std::function<void(juce::String const&)>& onSuccess,
             const std::function<void()>& onEmptyResult, const std::function<void()>& onMalformedResult = {});

    // The 5 ms step: drops a completed front request, sends the next one,
    // and on the 1000th tick completes the request in flight with its
    // stand-in answer, or times it out when it has none.
    void tick();

    // Complete the request in flight, if there is one and the matcher (when
    // given) says the answer belongs to it; the first answer it calls a
    // possible stand-in is kept for the time-out instead. An answer for a
    // request not sent yet, already timed out or already answered completes
    // nothing.
    Completion currentRequestSucceeded(juce::String const& result, const AnswerMatcher& matches = {});
    Completion currentRequestHasEmptyResult(const AnswerMatcher& matches = {}, bool malformed = false);

    // Ends the request in flight as its time-out would (its time-out callback
    // runs, whatever stand-in it kept), because the output it went out on was
    // let go and no answer to it can come. Requests not sent yet stay queued.
    // Message thread.
    void endRequestInFlight();

    // A copy of the request in flight, if there is one.
    std::optional<juce::MidiMessage> getRequestInFlight() const;

    bool isEmpty() const;
    // Removes every request; no callback runs.
    void clear();

    // Empty means that no output is open: requests reaching the front are
    // then dropped, and their callers hear of it through their time-out.
    void setSendFunction(std::function<void(juce::MidiMessage const&)> function);
    bool hasSendFunction() const;

private:
    struct FrontState
    {
        std::uint64_t sequenceNumber;
        bool sent;
        bool completed;
    };

    void sendFront();
    // Switches the tick off when there is no front request.
    std::optional<FrontState> peekFront();
    std::optional<MidiOutputMessage> copyFront() const;
    // The front request, if it is still the one looked at; under the lock.
    MidiOutputMessage* frontIfStill(std::uint64_t sequenceNumber);
    void removeFront(std::uint64_t sequenceNumber);
    bool markFront(std::uint64_t sequenceNumber, bool MidiOutputMessage::*flag);
    bool keepStandIn(std::uint64_t sequenceNumber, const MidiOutputMessage::Answer& answer);
    Completion complete(const AnswerMatcher& matches, const MidiOutputMessage::Answer& answer);

    int tickCount = 0;
    std::function<void(juce::MidiMessage const&)> sendFunction;
    mutable std::mutex mutex;
    std::deque<MidiOutputMessage> requests;
    std::uint64_t nextSequenceNumber = 1;
    TickSwitch tickSwitch;
    bool ticking = false;
};
} // namespace midiUsb
