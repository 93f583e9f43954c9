#include "app/UpdateQuitGuard.h"

#include "core/Core.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <spdlog/spdlog.h>

UpdateQuitGuard::UpdateQuitGuard(Core& coreToUse, std::function<void()> quitToCall)
    : core(coreToUse)
    , quit(std::move(quitToCall))
    , alive(std::make_shared<UpdateQuitGuard*>(this))
{
}

UpdateQuitGuard::~UpdateQuitGuard()
{
    *alive = nullptr;
}

void UpdateQuitGuard::requestQuit()
{
    if (!isUpdateRunning())
    {
        quit();
        return;
    }
    if (asking)
        return;

    asking = true;
    spdlog::warn("Quit requested while an update is running");
    juce::AlertWindow::showOkCancelBox(juce::MessageBoxIconType::WarningIcon, "Warning", question, "Quit",
                                       "Cancel", nullptr,
                                       juce::ModalCallbackFunction::create(
                                           [token = alive](int answer)
                                           {
                                               auto* guard = *token;
                                               if (guard == nullptr)
                                                   return;
                                               guard->asking = false;
                                               if (answer != 0)
                                                   guard->stopUpdateAndQuit();
                                           }));
}

void UpdateQuitGuard::quitWithoutAsking()
{
    stopUpdateAndQuit();
}

bool UpdateQuitGuard::isUpdateRunning() const
{
    return core.longOperation != nullptr && core.longOperation->isThreadRunning();
}

void UpdateQuitGuard::stopUpdateAndQuit()
{
    if (core.longOperation != nullptr)
    {
        if (core.longOperation->isThreadRunning())
            spdlog::warn("Stopping the update to quit");
        core.longOperation->signalThreadShouldExit();
        core.longOperation->notify();
        // The thread's destructor waits for it to end.
        core.longOperation.reset();
    }
    quit();
}
