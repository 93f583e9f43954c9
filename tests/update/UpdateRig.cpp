#include "UpdateRig.h"

#include "common/Dictionary.h"
#include "support/MessageLoop.h"
#include "update/FullUpdateThread.h"

#include <spdlog/sinks/base_sink.h>

#include <cstdlib>

using namespace std::chrono_literals;

namespace updatetest
{
namespace
{
// Every run unpacks under a temporary folder of this process's own, so
// parallel test processes never see each other's folders as leftovers.
const bool ownTemporaryFolder = []
{
    static testsupport::TemporaryFolder processFolder;
    setenv("TMPDIR", processFolder.path().c_str(), 1);
    // The back-ups too.
    std::filesystem::create_directory(processFolder.path() / "data");
    setenv("XDG_DATA_HOME", (processFolder.path() / "data").c_str(), 1);
    return true;
}();
} // namespace

std::string describe(const std::vector<StatusStep>& steps)
{
    std::string text;
    for (const auto& step : steps)
        text += std::to_string(std::chrono::duration<double>(step.time - steps.front().time).count()) +
                " s " + std::to_string(step.progress) + " " + step.text + "\n";
    return text;
}

void AlertRecorder::showAlert(juce::MessageBoxIconType icon, const juce::String& title,
                              const juce::String& message)
{
    const std::lock_guard lock(mutex);
    recorded.push_back({icon, title, message});
}

std::vector<Alert> AlertRecorder::alerts() const
{
    const std::lock_guard lock(mutex);
    return recorded;
}

// Runs on the thread that logs, so the progress read is the one of that
// moment.
class UpdateRig::StatusSink final : public spdlog::sinks::base_sink<std::mutex>
{
public:
    explicit StatusSink(SharedProgress progressToRead)
        : progress(std::move(progressToRead))
    {
    }
    std::vector<StatusStep> steps()
    {
        const std::lock_guard lock(mutex_);
        return recorded;
    }

protected:
    void sink_it_(const spdlog::details::log_msg& message) override
    {
        const std::string text(message.payload.begin(), message.payload.end());
        const std::string prefix = "Update status: ";
        if (text.rfind(prefix, 0) == 0)
            recorded.push_back(
                {text.substr(prefix.size()), progress->get(), std::chrono::steady_clock::now()});
    }
    void flush_() override {}

private:
    const SharedProgress progress;
    std::vector<StatusStep> recorded;
};

UpdateTiming UpdateRig::fastTiming()
{
    UpdateTiming timing;
    timing.burstGap = 150ms;
    timing.openRetryPause = 300ms;
    timing.restartWaitStep = 100ms;
    timing.restartWaitSteps = 150;
    timing.beforeUpload = 300ms;
    timing.groupSelectPause = 20ms;
    timing.beforePresetRequest = 5ms;
    timing.afterPreset = 5ms;
    timing.uploadPause = 5ms;
    return timing;
}

UpdateRig::UpdateRig(Setup setupToUse)
    : setup(std::move(setupToUse))
    , updateMode(instrument, folder.path() / "instrument", setup.updateMode)
    , statusSink(std::make_shared<StatusSink>(progress))
{
    spdlog::default_logger()->sinks().push_back(statusSink);
    PlatformServices services;
    services.listSerialPorts = [this] { return updateMode.listPorts(); };
    services.midiSystem = bus;
    services.updateTiming = setup.timing;
    services.alertSink = alertRecorder;
    services.inhibitSleep = [] { return nullptr; };
    core = std::make_unique<Core>(std::move(services));
    instrument.setInfoTypeByte(setup.infoTypeByte);
    instrument.connect();
    soundEngine.setResponder([this](const juce::MidiMessage& message) { return dialogue.respond(message); });
    if (setup.withSoundEngine)
        soundEngine.connect();
}

UpdateRig::~UpdateRig()
{
    core.reset();
}

std::filesystem::path UpdateRig::writeArchive(size_t firmwareSize, size_t dspSize)
{
    firmware = testsupport::randomContent(firmwareSize, 1);
    dsp = testsupport::randomContent(dspSize, 2);
    const auto archive = folder.path() / "update.taveloupdate";
    writeZip(archive, {{firmwareName, firmware}, {dspName, dsp}});
    return archive;
}

void UpdateRig::launch(const std::filesystem::path& archive, bool isFactoryFirmware)
{
    // An instrument that does not repeat the type asked for is known only at the first request's time-out.
    testsupport::pumpUntil([this] { return core->isUpdatePossible(); }, 30s);
    auto thread = std::make_unique<FullUpdateThread>(*core, std::vector<std::filesystem::path>{archive},
                                                     progress, sharedStatus, isFactoryFirmware);
    instrument.setMisbehaviour(setup.answers);
    thread->setStatusMessage("Please select a file");
    core->longOperation = std::move(thread);
    core->longOperation->startThread();
}

bool UpdateRig::isRunning() const
{
    return core->longOperation != nullptr && core->longOperation->isThreadRunning();
}

void UpdateRig::powerCycleWhenAsked()
{
    if (powerCycled || !setup.powerCycleAfter || status() != powerCycleText ||
        updateMode.phase() != simulator::InstrumentUpdateMode::Phase::installing)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!powerCycleAsked)
        powerCycleAsked = now;
    if (now - *powerCycleAsked < *setup.powerCycleAfter)
        return;
    powerCycled = true;
    if (setup.soundEngineLeavesAtPowerCycle)
        soundEngine.disconnect();
    soundEngine.setResponder([this](const juce::MidiMessage& message)
                             { return dialogueAfter.respond(message); });
    updateMode.powerCycle();
}

bool UpdateRig::runToEnd(std::chrono::seconds limit)
{
    return testsupport::pumpUntil(
        [this]
        {
            powerCycleWhenAsked();
            return !isRunning();
        },
        limit);
}

bool UpdateRig::runUntilStatus(const std::string& text, std::chrono::seconds limit)
{
    return testsupport::pumpUntil(
        [&]
        {
            powerCycleWhenAsked();
            const auto texts = statusTexts();
            return std::find(texts.begin(), texts.end(), text) != texts.end();
        },
        limit);
}

std::vector<StatusStep> UpdateRig::statusSteps() const
{
    return statusSink->steps();
}

std::vector<std::string> UpdateRig::statusTexts() const
{
    std::vector<std::string> texts;
    for (const auto& step : statusSteps())
        texts.push_back(step.text);
    return texts;
}

bool UpdateRig::temporaryFoldersLeft() const
{
    const std::filesystem::path temporary = std::getenv("TMPDIR");
    for (const auto& entry : std::filesystem::directory_iterator(temporary))
        if (entry.path().filename().string().rfind(".TaveloUpdate", 0) == 0)
            return true;
    return false;
}
} // namespace updatetest
