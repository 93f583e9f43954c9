#include "VirtualMidiBus.h"
#include "midiUsb/SysExMidiHandler.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <sstream>

namespace
{
using Strings = std::vector<std::string>;

juce::MidiMessage infoRequest(int code)
{
    const std::uint8_t bytes[] = {0xF0, 0x00, 0x6B, 0x2D, 0x0C, static_cast<std::uint8_t>(code), 0xF7};
    return juce::MidiMessage(bytes, sizeof(bytes));
}

// The queue on a virtual output whose peer notes each request sent among the callbacks.
struct QueueRig
{
    QueueRig()
    {
        const auto id =
            bus.addOutput("Tavelo play", [this](const juce::MidiMessage& message)
                          { events.push_back("sent " + std::to_string(message.getRawData()[5])); });
        output = bus.openOutput(id);
        handler.setMidiOutput(output.get());
    }

    // A chained request queues request code + 2 from its success callback.
    void add(int code, bool chained = false)
    {
        const auto name = std::to_string(code);
        handler.addMessageToQueue(
            infoRequest(code), [this, name] { events.push_back("timeout " + name); },
            [this, name, code, chained](const juce::String& text)
            {
                events.push_back("success " + name + " " + text.toStdString());
                if (chained)
                    add(code + 2);
            },
            [this, name] { events.push_back("empty " + name); });
    }

    midiUsb::MessageRequestQueue& queue() { return handler.getRequestQueue(); }

    // +N queue request N, &N chained; tN tick N times; s success; e empty result; k success "k" and
    // K empty result, from answers that may stand in for the request's own; c clear;
    // x no output; r release the output; o open it again; ? note whether the queue is empty. A completion
    // finding no request notes "stray".
    void run(const std::string& steps)
    {
        using C = midiUsb::MessageRequestQueue::Completion;
        using AnswerFit = midiUsb::MessageRequestQueue::AnswerFit;
        std::istringstream stream(steps);
        for (std::string step; stream >> step;)
        {
            int n = step.size() > 1 ? std::stoi(step.substr(1)) : 1;
            const char action = step[0];
            if (action == '+' || action == '&')
                add(n, action == '&');
            while (action == 't' && n-- > 0)
                handler.timerCallback();
            if ((action == 's' && queue().currentRequestSucceeded("v") == C::noRequestInFlight) ||
                (action == 'e' && queue().currentRequestHasEmptyResult() == C::noRequestInFlight))
                events.push_back("stray");
            const auto standIn = [](const juce::MidiMessage&) { return AnswerFit::mayStandIn; };
            if ((action == 'k' && queue().currentRequestSucceeded("k", standIn) == C::noRequestInFlight) ||
                (action == 'K' && queue().currentRequestHasEmptyResult(standIn) == C::noRequestInFlight))
                events.push_back("stray");
            if (action == 'c')
                queue().clear();
            if (action == 'x')
                handler.setMidiOutput(nullptr);
            if (action == 'r')
                handler.releaseMidiOutput();
            if (action == 'o')
                handler.setMidiOutput(output.get());
            if (action == '?')
                events.push_back(queue().isEmpty() ? "idle" : "waiting");
        }
    }

    testsupport::LogCapture log;
    simulator::VirtualMidiBus bus;
    Strings events;
    std::unique_ptr<midiUsb::MidiOutputPort> output;
    midiUsb::SysExMidiHandler handler;
};

struct Script
{
    const char* name;
    const char* steps;
    Strings events;
    Strings warnings; // and info lines
};

const std::string timedOut = "MessageRequestQueue: Current request timedout !";
const std::string noPendingSuccess = "MessageRequestQueue: Success but no pending request !";
const std::string mismatch = "MessageRequestQueue: Answer does not match the pending request !";
const std::string standInUsed =
    "MessageRequestQueue: No answer named the current request, completed with the answer kept for it.";
const std::string released = "MessageRequestQueue: Current request ended, its output was released !";

// clang-format off
const Script scripts[] = {
    {"one at a time, leaving on the tick after completion", "+4 +6 ? t t20 s t e ? t ?",
     {"waiting", "sent 4", "success 4 v", "sent 6", "empty 6", "waiting", "idle"}, {}},
    {"time-out on the thousandth tick after sending", "+4 +2 t t999 ? t t t1000",
     {"sent 4", "waiting", "timeout 4", "sent 2", "timeout 2"}, {timedOut, timedOut}},
    {"an answer completes only a request in flight", "+4 s t t1000 s e t s ?",
     {"stray", "sent 4", "timeout 4", "stray", "stray", "stray", "idle"},
     {noPendingSuccess, timedOut, noPendingSuccess, "MessageRequestQueue: Empty result but no pending request !",
      noPendingSuccess}},
    {"without output each request times out at once", "x +4 +6 t ? t ?",
     {"timeout 4", "waiting", "timeout 6", "idle"},
     {"No midi output available. The following message could not be sent: " + infoRequest(4).getDescription().toStdString(),
      "No midi output available. The following message could not be sent: " + infoRequest(6).getDescription().toStdString()}},
    {"cleared in flight: no callback, and its answer completes nothing", "+4 +6 t c ? +2 s t t1000",
     {"sent 4", "idle", "stray", "sent 2", "timeout 2"}, {noPendingSuccess, timedOut}},
    {"releasing the output ends only the request in flight, as its time-out", "+4 +6 r o t r s o t e r t ?",
     {"sent 4", "timeout 4", "stray", "sent 6", "empty 6", "idle"},
     {released, noPendingSuccess}},
    {"a callback may queue the next request", "&4 t s t s t ?",
     {"sent 4", "success 4 v", "sent 6", "success 6 v", "idle"}, {}},
    {"the first stand-in completes its request at the time-out, not before", "+4 +6 t k K t999 ? t t K t1000",
     {"sent 4", "waiting", "success 4 k", "sent 6", "empty 6"}, {mismatch, standInUsed, standInUsed}},
    {"an answer naming the request wins over the kept one", "+4 t k s t1000 ?", {"sent 4", "success 4 v", "idle"}, {}},
    {"a request released or cleared drops its stand-in", "+4 +6 t k r o t k c +2 t t1000",
     {"sent 4", "timeout 4", "sent 6", "sent 2", "timeout 2"}, {released, timedOut}},
};
// clang-format on

TEST(MessageRequestQueue, drivenTickByTick)
{
    for (const auto& script : scripts)
    {
        SCOPED_TRACE(script.name);
        QueueRig rig;
        rig.run(script.steps);
        EXPECT_EQ(rig.events, script.events);
        Strings warnings;
        for (const auto& line : rig.log.lines())
            if (line.level >= spdlog::level::info)
                warnings.push_back(line.text);
        EXPECT_EQ(warnings, script.warnings);
    }
}

} // namespace
