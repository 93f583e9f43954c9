#include "PresetDialogue.h"
#include "SimulatedSoundEngine.h"
#include "UpdateThreadStandIn.h"
#include "midiUsb/OrmelProxyImpl.h"
#include "support/LogCapture.h"
#include "support/TemporaryFolder.h"
#include "update/OrmelMidiMessages.h"
#include "update/PresetMidiFile.h"
#include "update/TaveloPreset.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace
{
// The sound engine and one preset to upload, at the product's timing.
struct Rig
{
    Rig()
    {
        engine.setResponder([this](const juce::MidiMessage& m) { return dialogue.respond(m); });
        engine.connect();
        // One preset to upload.
        PresetMidiFile::write(folder.getChildFile("P.mid"), {OrmelMidiMessages::presetEndMessage});
        folder.getChildFile("group0.txt").replaceWithText("0,\"P.mid\"\r\n");
    }

    bool engineReceived(const juce::MidiMessage& wanted) const
    {
        for (const auto& message : engine.getReceived())
            if (OrmelMidiMessages::equal(message, wanted))
                return true;
        return false;
    }

    juce::Result presets(UpdateThreadStandIn& thread, bool download)
    {
        auto proxy = std::make_unique<OrmelProxyImpl>(bus);
        if (proxy->getStatus().failed())
            return proxy->getStatus();
        TaveloPreset presets(std::move(proxy), folder);
        presets.stopRequested = [&thread] { return thread.stopRequested(); };
        return download ? presets.downloadAllPresets() : presets.uploadAllPresets();
    }

    const testsupport::TemporaryFolder temporary;
    const juce::File folder{juce::String(temporary.path().string())};
    std::shared_ptr<simulator::VirtualMidiBus> bus = std::make_shared<simulator::VirtualMidiBus>();
    simulator::PresetDialogue dialogue{simulator::PresetDialogue::makeAwkwardBank()};
    simulator::SimulatedSoundEngine engine{*bus};
};

struct StopCase
{
    const char* name;
    std::function<juce::Result(Rig&, UpdateThreadStandIn&)> step;
    // The stop comes once this holds.
    std::function<bool(Rig&)> stopWhen;
    const char* result;
};

const StopCase stops[] = {
    {"presetAnswerWait",
     [](Rig& rig, UpdateThreadStandIn& thread)
     {
         rig.dialogue.withholdEndMarkerOf(0);
         return rig.presets(thread, true);
     },
     [](Rig& rig) { return rig.engineReceived(OrmelMidiMessages::presetRequest(0)); }, "Operation aborted."},
    {"uploadReadyWait",
     [](Rig& rig, UpdateThreadStandIn& thread)
     {
         rig.dialogue.setSendsReady(false);
         return rig.presets(thread, false);
     },
     [](Rig& rig) { return rig.engineReceived(OrmelMidiMessages::presetEndMessage); }, "Operation aborted."},
};

class StopTest : public ::testing::TestWithParam<StopCase>
{
};

TEST_P(StopTest, endsSoonWithItsText)
{
    const auto& row = GetParam();
    const testsupport::LogCapture log;
    Rig rig;
    UpdateThreadStandIn thread;
    juce::Result result = juce::Result::ok();
    Clock::time_point stoppedAt, endedAt;
    bool stoppedWhenDue = false;
    std::thread stopper(
        [&]
        {
            juce::Thread::setCurrentThreadName("Stopper");
            for (const auto giveUp = Clock::now() + 30s; !row.stopWhen(rig) && Clock::now() < giveUp;)
                std::this_thread::sleep_for(2ms);
            stoppedWhenDue = row.stopWhen(rig);
            stoppedAt = Clock::now();
            thread.requestStop();
        });
    EXPECT_TRUE(thread.run(
        [&]
        {
            result = row.step(rig, thread);
            endedAt = Clock::now();
        },
        60s));
    stopper.join();

    EXPECT_TRUE(stoppedWhenDue);
    EXPECT_EQ(result.getErrorMessage(), row.result);
    const auto stopTime = std::chrono::duration_cast<std::chrono::milliseconds>(endedAt - stoppedAt);
    std::printf("%s: ended %lld ms after the stop request (target: under 1000 ms)\n", row.name,
                static_cast<long long>(stopTime.count()));
    EXPECT_LT(stopTime, 10s);
}

INSTANTIATE_TEST_SUITE_P(Stops, StopTest, ::testing::ValuesIn(stops),
                         [](const auto& info) { return std::string(info.param.name); });
} // namespace
