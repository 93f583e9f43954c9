#include "update/DirectBurst.h"

#include "midiUsb/SysExRequests.h"

DirectBurst::Outcome DirectBurst::send(const std::weak_ptr<midiUsb::MidiOutputPort>& output,
                                       const std::vector<Step>& steps, const Pause& pause)
{
    const auto held = output.lock();
    if (held == nullptr)
        return Outcome::noOutput;
    for (const auto& step : steps)
    {
        held->sendMessageNow(step.message);
        if (step.pauseAfter.count() > 0 && !pause(step.pauseAfter))
            return Outcome::stopped;
    }
    return Outcome::sent;
}

std::vector<DirectBurst::Step> DirectBurst::configurePair(std::chrono::milliseconds gap)
{
    using midiUsb::SysExRequests;
    return {{SysExRequests::configureFirst(), gap}, {SysExRequests::configureSecond(), gap}};
}

std::vector<DirectBurst::Step> DirectBurst::firmwareUpdateMode()
{
    return {{midiUsb::SysExRequests::firmwareUpdateMode()}};
}

std::vector<DirectBurst::Step> DirectBurst::soundEngineUpdateMode(std::chrono::milliseconds gap)
{
    auto steps = configurePair(gap);
    steps.push_back({midiUsb::SysExRequests::soundEngineUpdateMode()});
    return steps;
}

std::vector<DirectBurst::Step> DirectBurst::factorySetup()
{
    return {{midiUsb::SysExRequests::factorySetup()}};
}
