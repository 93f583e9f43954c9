#include "app/TaveloFirmwareUpdaterApplication.h"

#include "app/CrashHandler.h"
#include "app/Logging.h"

#include <spdlog/spdlog.h>

TaveloFirmwareUpdaterApplication::~TaveloFirmwareUpdaterApplication()
{
    quitGuard.reset();
    mainWindow.reset();
    core.reset();
}

void TaveloFirmwareUpdaterApplication::initialise(const juce::String&)
{
    spdlog::info("Initializing app");
    initialiseApplicationLog(Core::logPath + "taveloFirmwareUpdater.log");

    core = std::make_unique<Core>();
    // Installed once the Core has logged the machine it runs on.
    installCrashHandler();
    mainWindow = std::make_unique<MainWindow>(getApplicationName(), *core);
    mainWindow->toFront(true);
    quitGuard = std::make_unique<UpdateQuitGuard>(*core, [] { juce::JUCEApplicationBase::quit(); });
    quitSignal = std::make_unique<QuitSignal>([this] { quitWithoutAsking(); });
}

void TaveloFirmwareUpdaterApplication::systemRequestedQuit()
{
    if (quitGuard != nullptr)
        quitGuard->requestQuit();
    else
        juce::JUCEApplicationBase::quit();
}

void TaveloFirmwareUpdaterApplication::quitWithoutAsking()
{
    if (quitGuard != nullptr)
        quitGuard->quitWithoutAsking();
    else
        juce::JUCEApplicationBase::quit();
}
