#include "InstrumentLink.h"
#include "SimulatedInstrument.h"
#include "midiUsb/SysExFactory.h"
#include "midiUsb/SysExRequests.h"

#include <juce_events/juce_events.h>
#include <spdlog/spdlog.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace
{
constexpr int rounds = 7;

// The back-up's requests in the order it queues them: white keys, black
// keys, the touch calibration, then the test logs from 13 down to 1.
std::vector<juce::MidiMessage> backUpRequests()
{
    static constexpr bool black[12] = {false, true,  false, true,  false, false,
                                       true,  false, true,  false, true,  false};
    std::vector<juce::MidiMessage> requests;
    for (const bool blackKeys : {false, true})
        for (int key = 0; key < 49; ++key)
            if (black[key % 12] == blackKeys)
                requests.push_back(midiUsb::SysExRequests::keyPositionCalibrationRequest(key));
    requests.push_back(midiUsb::SysExRequests::touchCalibrationRequest());
    for (const auto& [id, name] : midiUsb::SysExFactory::testIDs)
        requests.push_back(midiUsb::SysExRequests::testLogRequest(static_cast<int>(id)));
    return requests;
}

// Seconds from queuing every request to the queue's being empty again.
double runOnce(midiUsb::SysExMidiHandler& handler, const std::vector<juce::MidiMessage>& requests,
               int& answered)
{
    answered = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const auto& request : requests)
        handler.addMessageToQueue(
            request, [] {}, [&answered](const juce::String&) { ++answered; });
    while (!handler.getRequestQueue().isEmpty())
        juce::MessageManager::getInstance()->runDispatchLoopUntil(1);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
} // namespace

int main()
{
    const juce::ScopedJuceInitialiser_GUI juce;
    spdlog::set_level(spdlog::level::warn);

    simulator::VirtualMidiBus bus;
    simulator::SimulatedInstrument instrument(bus);
    instrument.connect();
    midiUsb::SysExMidiHandler handler;
    simulator::InstrumentLink link(bus, handler);
    if (!link.isOpen())
    {
        std::printf("The simulated instrument's ports did not open.\n");
        return 1;
    }

    const auto requests = backUpRequests();
    const double bound =
        static_cast<double>(requests.size()) * midiUsb::SysExMidiHandler::tickPeriodMs / 1000.0;
    std::printf("Back-up over the virtual MIDI bus: %zu requests, no added latency\n", requests.size());
    std::printf("Lower bound (one request per %d ms tick): %.3f s\n", midiUsb::SysExMidiHandler::tickPeriodMs,
                bound);

    std::vector<double> totals;
    for (int round = 1; round <= rounds; ++round)
    {
        int answered = 0;
        const auto total = runOnce(handler, requests, answered);
        totals.push_back(total);
        std::printf("Round %d: %.3f s (%.2f x bound), %d of %zu answered\n", round, total, total / bound,
                    answered, requests.size());
    }
    std::sort(totals.begin(), totals.end());
    const auto median = totals[totals.size() / 2];
    std::printf("Median: %.3f s, %.2f x the bound (target: within 1.2 x)\n", median, median / bound);
    handler.stopTimer();
    return 0;
}
