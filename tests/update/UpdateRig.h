#pragma once

#include "InstrumentUpdateMode.h"
#include "PresetDialogue.h"
#include "SimulatedSoundEngine.h"
#include "ZipWriter.h"
#include "common/Progress.h"
#include "common/Status.h"
#include "core/AlertSink.h"
#include "core/Core.h"
#include "support/LogCapture.h"
#include "support/TemporaryFolder.h"
#include "support/TemporaryHome.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace updatetest
{
struct Alert
{
    juce::MessageBoxIconType icon;
    juce::String title;
    juce::String message;
};

// Keeps the alerts instead of opening windows.
class AlertRecorder final : public AlertSink
{
public:
    void showAlert(juce::MessageBoxIconType icon, const juce::String& title,
                   const juce::String& message) override;
    std::vector<Alert> alerts() const;

private:
    mutable std::mutex mutex;
    std::vector<Alert> recorded;
};

// Each status text as the update set it, with the progress at that moment.
struct StatusStep
{
    std::string text;
    double progress;
    std::chrono::steady_clock::time_point time;
};

// The status texts with their times, for failure messages.
std::string describe(const std::vector<StatusStep>& steps);

// A Core over the virtual bus with the simulated instrument, its sound engine and its update mode;
// an update launched as the window launches it.
class UpdateRig
{
public:
    struct Setup
    {
        simulator::UpdateModeOptions updateMode;
        UpdateTiming timing = fastTiming();
        bool withSoundEngine = true;
        bool soundEngineLeavesAtPowerCycle = false;
        // Power cycle this long after the update asks for it; empty: never.
        std::optional<std::chrono::milliseconds> powerCycleAfter = std::chrono::milliseconds(0);
        // How the instrument answers once the update has begun.
        simulator::Misbehaviour answers = simulator::Misbehaviour::none;
        // What its info answers carry where the type asked for is; empty: that type.
        std::optional<std::uint8_t> infoTypeByte;
    };

    static UpdateTiming fastTiming();
    static constexpr const char* firmwareName = "tavelo-2.4.0.sfb";
    static constexpr const char* dspName = "ormel-1.9.0.dat";
    static constexpr const char* powerCycleText =
        "To finish the update please power cycle when your Tavelo has finished the installation.";

    explicit UpdateRig(Setup setup);
    ~UpdateRig();

    // Two images of the given sizes under the names above.
    std::filesystem::path writeArchive(size_t firmwareSize = 64 * 1024, size_t dspSize = 48 * 1024);
    std::string firmwareImage() const { return firmware; }
    std::string dspImage() const { return dsp; }

    // Waits for the instrument's version, then launches.
    void launch(const std::filesystem::path& archive, bool isFactoryFirmware);
    // Pumps the message loop, power-cycling when asked to, until the thread ended.
    bool runToEnd(std::chrono::seconds limit);
    bool runUntilStatus(const std::string& text, std::chrono::seconds limit);
    bool isRunning() const;

    std::vector<StatusStep> statusSteps() const;
    std::vector<std::string> statusTexts() const;
    juce::String status() const { return readStatusText(*sharedStatus); }
    std::vector<Alert> alerts() const { return alertRecorder->alerts(); }
    bool temporaryFoldersLeft() const;

    const Setup setup;
    testsupport::TemporaryHome home;
    testsupport::LogCapture log;
    testsupport::TemporaryFolder folder;
    std::shared_ptr<simulator::VirtualMidiBus> bus = std::make_shared<simulator::VirtualMidiBus>();
    simulator::SimulatedInstrument instrument{*bus};
    // Before the engine, whose thread answers through them; the second, empty, after the power cycle.
    const simulator::PresetDialogue::Bank presetsBefore = simulator::PresetDialogue::makeAwkwardBank();
    simulator::PresetDialogue dialogue{presetsBefore};
    simulator::PresetDialogue dialogueAfter;
    simulator::SimulatedSoundEngine soundEngine{*bus};
    simulator::InstrumentUpdateMode updateMode;
    const std::shared_ptr<AlertRecorder> alertRecorder = std::make_shared<AlertRecorder>();
    const SharedProgress progress = std::make_shared<Progress>();
    const std::shared_ptr<Status> sharedStatus = std::make_shared<Status>();
    std::unique_ptr<Core> core;

private:
    class StatusSink;
    void powerCycleWhenAsked();

    std::shared_ptr<StatusSink> statusSink;
    std::string firmware;
    std::string dsp;
    std::optional<std::chrono::steady_clock::time_point> powerCycleAsked;
    bool powerCycled = false;
};
} // namespace updatetest
