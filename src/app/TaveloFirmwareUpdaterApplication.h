#pragma once

#include "app/MainWindow.h"
#include "app/QuitSignal.h"
#include "app/UpdateQuitGuard.h"
#include "core/Core.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class TaveloFirmwareUpdaterApplication : public juce::JUCEApplication
{
public:
    TaveloFirmwareUpdaterApplication() = default;
    ~TaveloFirmwareUpdaterApplication() override;

    const juce::String getApplicationName() override { return "Tavelo Updater"; }
    const juce::String getApplicationVersion() override { return "1.0.0"; }
    bool moreThanOneInstanceAllowed() override { return false; }

    void initialise(const juce::String& commandLine) override;
    void shutdown() override {}
    // A quit from the window: confirmed first while an update runs.
    void systemRequestedQuit() override;
    // A quit nobody can answer (a termination signal): stops a running update
    // without asking, then quits.
    void quitWithoutAsking();
    void memoryWarningReceived() override {}
    bool backButtonPressed() override { return false; }

private:
    std::unique_ptr<Core> core;
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<UpdateQuitGuard> quitGuard;
    // Last, so that it goes first, after the window and the Core: a signal
    // during their teardown still finds its handler.
    std::unique_ptr<QuitSignal> quitSignal;
};
