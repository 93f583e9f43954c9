#pragma once

#include "common/Progress.h"
#include "common/Status.h"
#include "common/UpdateTiming.h"
#include "common/ValueListenerBinder.h"
#include "update/DeviceVersionWatch.h"
#include "update/DirectBurst.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class Core;
class OrmelProxyImpl;
class PersistentDataDownload;
class TaveloUpdateFile;

// One update of the instrument, on a thread of its own: back-up, presets,
// both firmware transfers with the restarts between them, presets back.
// Built, started and destroyed on the message thread; a stop (the
// destructor, or the back-up giving up) ends run() within about 2 s in any
// phase, and the destructor waits for that without ever killing the thread.
class FullUpdateThread : public juce::Thread, private juce::Value::Listener
{
public:
    FullUpdateThread(Core& core, std::vector<std::filesystem::path> files, SharedProgress progress,
                     std::shared_ptr<Status> status, bool isFactoryFirmware);
    ~FullUpdateThread() override;

    FullUpdateThread(const FullUpdateThread&) = delete;
    FullUpdateThread& operator=(const FullUpdateThread&) = delete;

    // Any thread; logs and changes the text only when it differs.
    void setStatusMessage(const juce::String& text);

    void run() override;

    juce::Result downloadPersistentData();

    // The update thread's part of a transfer: open the instrument's port
    // (retrying while it restarts into update mode), send one image.
    bool openSerialDevice();
    bool sendFile(const std::filesystem::path& file, std::function<void(float)> onProgress);
    void onFirmwareTransferProgress(float fraction);
    void onDspTransferProgress(float fraction);
    bool shouldAbortTransfer() const { return threadShouldExit(); }

private:
    enum class Next
    {
        goOn,
        end
    };
    // Shared with the posted alerts, which run after this object may be gone.
    struct AlertGate
    {
        std::atomic<bool> open{true};
    };

    void valueChanged(juce::Value& value) override;

    void runSteps(TaveloUpdateFile& updateFile);
    Next backUpStep();
    Next presetDownloadStep();
    Next archiveStep();
    Next firmwareStep(const juce::File& image);
    Next restartWaitStep();
    Next soundEngineStep(const juce::File& image);
    Next powerCycleWaitStep();
    Next presetUploadStep();
    void finishStep();

    // Ends the update: "Operation aborted." when a stop was asked for.
    Next stopCheck();
    Next stopped();
    Next fail(const juce::String& prefix, const juce::String& text);
    Next failOrStopped(const juce::String& prefix, const juce::String& text);
    Next burstFailed(DirectBurst::Outcome outcome, const juce::String& prefix, const juce::String& text);
    std::unique_ptr<OrmelProxyImpl> makeProxy();
    // Logs a failing close instead of throwing.
    void closePort() noexcept;
    DirectBurst::Outcome sendBurst(const std::vector<DirectBurst::Step>& steps);
    bool instrumentPortHeld() const;
    void setProgress(double value) { progress->set(value); }
    void showAlert(juce::MessageBoxIconType icon, const juce::String& title, const juce::String& message);

    // Waits on the thread's own event in slices; false once a stop was
    // asked for. A version change does not shorten it.
    bool pause(std::chrono::milliseconds duration);
    // Up to one wait step, ended early by a version change or a stop.
    void waitForChange(std::chrono::milliseconds limit);
    // Forgets a wake-up left from earlier steps, so a wait starts afresh.
    void clearWakeUp() { wait(0); }
    void transferProgress(float fraction, double start, double span, const char* const (&texts)[3]);

    Core& core;
    const std::vector<std::filesystem::path> files;
    const SharedProgress progress;
    const std::shared_ptr<Status> status;
    const UpdateTiming& timing;
    DeviceVersionWatch versionWatch;
    const std::shared_ptr<AlertGate> alertGate = std::make_shared<AlertGate>();
    std::unique_ptr<PersistentDataDownload> backUp;
    juce::File snapshotFolder;
    const bool isFactoryFirmware;
    // Last: it calls valueChanged, which uses the members above.
    ValueListenerBinder deviceVersionBinder;
};
