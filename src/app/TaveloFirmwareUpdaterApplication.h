#pragma once

#include "app/MainWindow.h"
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
    void systemRequestedQuit() override;
    void memoryWarningReceived() override {}
    bool backButtonPressed() override { return false; }

private:
    std::unique_ptr<Core> core;
    std::unique_ptr<MainWindow> mainWindow;
};
