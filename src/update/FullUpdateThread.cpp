#include "update/FullUpdateThread.h"

#include "common/Dictionary.h"
#include "common/FmtJuceString.h"
#include "core/AlertSink.h"
#include "core/Core.h"
#include "core/ScopedLongOperationActivator.h"
#include "midiUsb/OrmelProxyImpl.h"
#include "serial/SerialExceptions.h"
#include "update/PersistentDataDownload.h"
#include "update/TaveloPreset.h"
#include "update/TaveloUpdateFile.h"
#include "xymodem/SerialHandler.h"
#include "xymodem/YModem.h"

#include <spdlog/spdlog.h>

#include <algorithm>

using namespace std::chrono_literals;

namespace
{
// Slices of every wait, so that a stop is seen within this time.
constexpr auto stopSlice = 100ms;

constexpr const char* const firmwareTexts[3] = {"Firmware update: Sending header ...",
                                                "Firmware update: Update complete ! ",
                                                "Firmware update: Sending firmware ..."};
constexpr const char* const dspTexts[3] = {"DSP update: Sending header ...", "DSP update: Update complete ! ",
                                           "DSP update: Sending firmware ..."};
constexpr const char* const prefixError = "Error: ";
constexpr const char* const prefixArchive = "Error while uncompressing taveloupdate file: ";
constexpr const char* const transmissionAborted = "Transmission aborted.";
} // namespace

FullUpdateThread::FullUpdateThread(Core& coreToUse, std::vector<std::filesystem::path> updateFiles,
                                   SharedProgress sharedProgress, std::shared_ptr<Status> sharedStatus,
                                   bool factoryFirmware)
    : juce::Thread("Full update thread")
    , core(coreToUse)
    , files(std::move(updateFiles))
    , progress(std::move(sharedProgress))
    , status(std::move(sharedStatus))
    , timing(core.updateTiming)
    , isFactoryFirmware(factoryFirmware)
    , deviceVersionBinder(core.values[Dictionary::currentTaveloVersionKey], this)
{
}

FullUpdateThread::~FullUpdateThread()
{
    alertGate->open = false;
    if (isThreadRunning())
    {
        // The stop before the port: a transfer that the closed port breaks
        // off must already read as stopped, not as failed. Then the port: a
        // transfer in progress ends at once.
        signalThreadShouldExit();
        closePort();
        setProgress(0.0);
        notify();
        if (!waitForThreadToExit(static_cast<int>(timing.destructorWait.count())))
        {
            spdlog::error("Could not exit thread cleanly, callstack:\n{}",
                          juce::SystemStats::getStackBacktrace());
            // Killing it would unwind a thread whose objects are gone.
            while (!waitForThreadToExit(1000))
            {
            }
        }
    }
}

void FullUpdateThread::setStatusMessage(const juce::String& text)
{
    setStatusText(*status, text);
}

void FullUpdateThread::valueChanged(juce::Value& value)
{
    const auto text = value.toString();
    spdlog::info("MIDI device version changed: {}", text);
    versionWatch.setKnown(text !=
                          juce::String(Dictionary::noVersionFound.data(), Dictionary::noVersionFound.size()));
    notify();
}

void FullUpdateThread::run()
{
    const ScopedLongOperationActivator longOperation(core);
    setProgress(0.0);
    {
        // Lives to the end of the run: the unpacked images go with it.
        TaveloUpdateFile updateFile;
        runSteps(updateFile);
    }
    backUp.reset();
}

void FullUpdateThread::runSteps(TaveloUpdateFile& updateFile)
{
    const juce::File archive(std::filesystem::absolute(files.at(0)).string());
    // Before anything happens to the instrument: the images sent later are
    // the ones proven here.
    if (const auto unpacked = updateFile.unpack(archive, [this] { return threadShouldExit(); });
        unpacked.failed())
    {
        failOrStopped(prefixArchive, unpacked.getErrorMessage());
        return;
    }
    if (backUpStep() == Next::end || (!isFactoryFirmware && presetDownloadStep() == Next::end) ||
        archiveStep() == Next::end || firmwareStep(updateFile.getFirmwareFile()) == Next::end ||
        restartWaitStep() == Next::end || soundEngineStep(updateFile.getDspFile()) == Next::end ||
        powerCycleWaitStep() == Next::end || (!isFactoryFirmware && presetUploadStep() == Next::end))
        return;
    finishStep();
}

juce::Result FullUpdateThread::downloadPersistentData()
{
    PersistentDataDownload::Hooks hooks;
    hooks.stopRequested = [this] { return threadShouldExit(); };
    hooks.requestStop = [this]
    {
        signalThreadShouldExit();
        notify();
    };
    hooks.setStatusMessage = [this](const juce::String& text) { setStatusMessage(text); };
    hooks.showWarning = [this](const juce::String& title, const juce::String& message)
    { showAlert(juce::MessageBoxIconType::WarningIcon, title, message); };
    hooks.pause = [this](std::chrono::milliseconds duration) { return pause(duration); };
    backUp = std::make_unique<PersistentDataDownload>(core.midiDeviceFacade.getSysExMidiHandler(),
                                                      std::move(hooks), timing);
    const auto result = backUp->run();
    snapshotFolder = backUp->snapshotFolder();
    return result;
}

FullUpdateThread::Next FullUpdateThread::backUpStep()
{
    setStatusMessage("Downloading back up.");
    // A lost answer stops the update through the back-up's own row; any
    // other stop is the user's.
    if (const auto result = downloadPersistentData(); result.failed())
        return threadShouldExit() && !backUp->lostAnAnswer()
                   ? stopped()
                   : fail("Error during back up download: ", result.getErrorMessage());
    if (stopCheck() == Next::end)
        return Next::end;
    spdlog::info("Back up download finished.");
    return Next::goOn;
}

FullUpdateThread::Next FullUpdateThread::presetDownloadStep()
{
    setProgress(0.1);
    setStatusMessage("Downloading user presets.");
    if (!instrumentPortHeld())
        if (const auto outcome = sendBurst(DirectBurst::configurePair(timing.burstGap));
            outcome != DirectBurst::Outcome::sent)
            return burstFailed(outcome,
                               "Error while preparing preset download: ", "Could not connect to Tavelo");

    auto proxy = makeProxy();
    if (proxy->getStatus().failed())
        return failOrStopped("Error while downloading presets: ", proxy->getStatus().getErrorMessage());
    {
        TaveloPreset presets(std::move(proxy), snapshotFolder, timing);
        presets.sleep = [this](const std::chrono::milliseconds& duration) { pause(duration); };
        presets.stopRequested = [this] { return threadShouldExit(); };
        if (const auto result = presets.downloadAllPresets(); result.failed())
            return failOrStopped("Error while downloading presets: ", result.getErrorMessage());
    }
    return stopCheck();
}

// The archive was unpacked and proven before the back-up; its step keeps
// its place in the sequence.
FullUpdateThread::Next FullUpdateThread::archiveStep()
{
    setProgress(0.15);
    setStatusMessage("Opening update file.");
    return stopCheck();
}

FullUpdateThread::Next FullUpdateThread::firmwareStep(const juce::File& image)
{
    // The restart is judged from here: a version lost from now on counts.
    versionWatch.setReference();
    setProgress(0.2);
    setStatusMessage("Updating firmware.");
    constexpr const char* prepareFailed = "Failed to prepare the firmare update.";
    if (!instrumentPortHeld())
        if (const auto outcome = sendBurst(DirectBurst::firmwareUpdateMode());
            outcome != DirectBurst::Outcome::sent)
            return burstFailed(outcome, prefixError, prepareFailed);
    if (!openSerialDevice())
        return failOrStopped(prefixError, prepareFailed);
    if (!sendFile(image.getFullPathName().toStdString(), [this](float p) { onFirmwareTransferProgress(p); }))
        return failOrStopped(prefixError, "Failed to send the firmware file.");
    return stopCheck();
}

FullUpdateThread::Next FullUpdateThread::restartWaitStep()
{
    setProgress(0.37);
    setStatusMessage("Waiting for reboot.");
    clearWakeUp();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < timing.restartWaitSteps; ++i)
    {
        // Back after a loss; or never gone at all (ports that stay through
        // a restart), which only three MIDI polls without a loss can tell.
        if (versionWatch.cameBack() ||
            (versionWatch.isKnown() && !versionWatch.wasLost() &&
             std::chrono::steady_clock::now() - start >= timing.restartStillKnownGrace))
            return Next::goOn;
        waitForChange(timing.restartWaitStep);
        if (threadShouldExit())
            return stopped();
    }
    const juce::String text = "Waited to much time for the device to reboot.";
    spdlog::critical("{}", text);
    setStatusMessage(prefixError + text);
    showAlert(juce::MessageBoxIconType::WarningIcon, "Error", text);
    return Next::goOn;
}

FullUpdateThread::Next FullUpdateThread::soundEngineStep(const juce::File& image)
{
    if (isFactoryFirmware)
    {
        const auto outcome = sendBurst(DirectBurst::factorySetup());
        if (outcome == DirectBurst::Outcome::stopped)
            return stopped();
        if (outcome == DirectBurst::Outcome::noOutput)
        {
            spdlog::error("Could not find MIDI output.");
            setStatusMessage("Could not find MIDI output.");
            return Next::end;
        }
    }
    setProgress(0.4);
    setStatusMessage("Updating DSP.");
    constexpr const char* prepareFailed = "Failed to prepare the DSP update.";
    if (!instrumentPortHeld())
        if (const auto outcome = sendBurst(DirectBurst::soundEngineUpdateMode(timing.burstGap));
            outcome != DirectBurst::Outcome::sent)
            return burstFailed(outcome, prefixError, prepareFailed);
    if (!openSerialDevice())
        return failOrStopped(prefixError, prepareFailed);
    const bool sent =
        sendFile(image.getFullPathName().toStdString(), [this](float p) { onDspTransferProgress(p); });
    // The power cycle is judged from the end of this transfer.
    versionWatch.setReference();
    if (!sent)
        return failOrStopped(prefixError, "Failed to send the ormel file.");
    return stopCheck();
}

FullUpdateThread::Next FullUpdateThread::powerCycleWaitStep()
{
    setProgress(0.85);
    setStatusMessage(
        "To finish the update please power cycle when your Tavelo has finished the installation.");
    clearWakeUp();
    while (!versionWatch.cameBack() && !threadShouldExit())
        waitForChange(timing.restartWaitStep);
    return stopCheck();
}

FullUpdateThread::Next FullUpdateThread::presetUploadStep()
{
    setProgress(0.9);
    setStatusMessage("Re-uploading presets.");
    // Against a deadline: a version change must not shorten it.
    if (!pause(timing.beforeUpload))
        return stopped();

    auto proxy = makeProxy();
    if (proxy->getStatus().failed())
        return failOrStopped(prefixError, proxy->getStatus().getErrorMessage());
    TaveloPreset presets(std::move(proxy), snapshotFolder, timing);
    presets.sleep = [this](const std::chrono::milliseconds& duration) { pause(duration); };
    presets.stopRequested = [this] { return threadShouldExit(); };
    if (const auto result = presets.uploadAllPresets(); result.failed())
        return failOrStopped(prefixError, result.getErrorMessage());
    return Next::goOn;
}

void FullUpdateThread::finishStep()
{
    setProgress(1.0);
    setStatusMessage("Update finished.");
    if (!isFactoryFirmware)
        showAlert(juce::MessageBoxIconType::InfoIcon, "Update finished successfully",
                  "Please power cycle again to finish the restoration of your presets.");
}

FullUpdateThread::Next FullUpdateThread::stopCheck()
{
    return threadShouldExit() ? stopped() : Next::goOn;
}

FullUpdateThread::Next FullUpdateThread::stopped()
{
    setStatusMessage("Operation aborted.");
    spdlog::warn("Operation canceled by the user.");
    return Next::end;
}

FullUpdateThread::Next FullUpdateThread::fail(const juce::String& prefix, const juce::String& text)
{
    spdlog::critical("{}", text);
    setStatusMessage(prefix + text);
    return Next::end;
}

// A transfer or an open broken off by a stop ends as a stop.
FullUpdateThread::Next FullUpdateThread::failOrStopped(const juce::String& prefix, const juce::String& text)
{
    return threadShouldExit() ? stopped() : fail(prefix, text);
}

FullUpdateThread::Next FullUpdateThread::burstFailed(DirectBurst::Outcome outcome, const juce::String& prefix,
                                                     const juce::String& text)
{
    return outcome == DirectBurst::Outcome::stopped ? stopped() : fail(prefix, text);
}

std::unique_ptr<OrmelProxyImpl> FullUpdateThread::makeProxy()
{
    return std::make_unique<OrmelProxyImpl>(
        core.midiDeviceFacade.getMidiSystem(), [this] { return threadShouldExit(); },
        timing.deviceListingWait);
}

DirectBurst::Outcome FullUpdateThread::sendBurst(const std::vector<DirectBurst::Step>& steps)
{
    return DirectBurst::send(core.midiDeviceFacade.getMidiOutput(), steps,
                             [this](std::chrono::milliseconds duration) { return pause(duration); });
}

bool FullUpdateThread::instrumentPortHeld() const
{
    return !core.serialDeviceFacade.serialWatcher.getPort().port.empty();
}

void FullUpdateThread::showAlert(juce::MessageBoxIconType icon, const juce::String& title,
                                 const juce::String& message)
{
    // Posted, never waited for: the message thread may be waiting for this
    // thread. None once a stop was asked for.
    if (threadShouldExit())
        return;
    juce::MessageManager::callAsync(
        [gate = alertGate, sink = core.alertSink, icon, title, message]
        {
            if (gate->open && sink != nullptr)
                sink->showAlert(icon, title, message);
        });
}

bool FullUpdateThread::pause(std::chrono::milliseconds duration)
{
    const auto deadline = std::chrono::steady_clock::now() + duration;
    for (;;)
    {
        if (threadShouldExit())
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return true;
        wait(static_cast<int>(std::min(left, std::chrono::milliseconds(stopSlice)).count()));
    }
}

void FullUpdateThread::waitForChange(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!threadShouldExit())
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 ||
            wait(static_cast<int>(std::min(left, std::chrono::milliseconds(stopSlice)).count())))
            return;
    }
}

bool FullUpdateThread::openSerialDevice()
{
    setStatusMessage("Preparing the update ...");
    try
    {
        core.openSerialDevice();
        return true;
    }
    catch (const std::exception&)
    {
    }
    if (!core.isUpdatePossible())
    {
        showAlert(juce::MessageBoxIconType::WarningIcon, "Error",
                  "The update mode must be available to update the device.");
        return false;
    }
    setStatusMessage("Rebooting Tavelo ...");
    constexpr int retries = 10;
    for (int attempt = 1; attempt <= retries; ++attempt)
    {
        if (!pause(timing.openRetryPause))
            return false;
        try
        {
            core.openSerialDevice();
            return true;
        }
        catch (const std::exception& failure)
        {
            if (attempt == retries)
            {
                spdlog::warn("{}", failure.what());
                showAlert(juce::MessageBoxIconType::WarningIcon, "Error",
                          "Could not open the device in update mode.");
            }
        }
    }
    return false;
}

bool FullUpdateThread::sendFile(const std::filesystem::path& file, std::function<void(float)> onProgress)
{
    auto& port = core.serialDeviceFacade.serialPort;
    try
    {
        const auto logFile = (Core::logPath + "dspUpdate.log").toStdString();
        xymodem::SerialHandler handler(port);
        xymodem::YModem sender(handler, logFile, 2);
        spdlog::info("Starting Ymodem transfer.");
        sender.transmit(
            {file}, std::move(onProgress), [this] { return shouldAbortTransfer(); }, true);
        if (threadShouldExit())
        {
            setStatusMessage(transmissionAborted);
            spdlog::info("{}", transmissionAborted);
        }
        else
        {
            spdlog::info("The firmware has been updated.");
        }
        port.close();
        return true;
    }
    catch (const serial::IOException& failure)
    {
        closePort();
        // The value stored for the last packet of the main firmware: the
        // instrument took it all and restarted before the end of the batch.
        if (progress->get() == 0.37)
        {
            spdlog::warn("Tavelo rebooted too early. Continuing the update anyways...");
            return true;
        }
        setStatusMessage(transmissionAborted);
        spdlog::error("{}", failure.what());
        return false;
    }
    catch (const std::exception& failure)
    {
        closePort();
        setStatusMessage(transmissionAborted);
        spdlog::error("{}", failure.what());
        showAlert(juce::MessageBoxIconType::WarningIcon, "Error", failure.what());
        return false;
    }
}

void FullUpdateThread::closePort() noexcept
{
    // From a handler or the destructor a second exception would end the
    // update without its failure row, or the application.
    try
    {
        core.serialDeviceFacade.serialPort.close();
    }
    catch (const std::exception& failure)
    {
        spdlog::error("Could not close the serial port: {}", failure.what());
    }
}

void FullUpdateThread::transferProgress(float fraction, double start, double span,
                                        const char* const (&texts)[3])
{
    const auto p = static_cast<double>(fraction);
    setStatusMessage(p < 0.05 ? texts[0] : fraction == 1.0f ? texts[1] : texts[2]);
    const auto scaled = p * span;
    setProgress(scaled + start);
}

void FullUpdateThread::onFirmwareTransferProgress(float fraction)
{
    transferProgress(fraction, 0.2, 0.37 - 0.2, firmwareTexts);
}

void FullUpdateThread::onDspTransferProgress(float fraction)
{
    transferProgress(fraction, 0.4, 0.83 - 0.4, dspTexts);
}
