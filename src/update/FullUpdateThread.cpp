#include "update/FullUpdateThread.h"

#include "core/ScopedLongOperationActivator.h"

FullUpdateThread::FullUpdateThread(Core& coreToUse, std::vector<std::filesystem::path> filesToSend,
                                   SharedProgress sharedProgress, std::shared_ptr<Status> sharedStatus,
                                   bool isFactory)
    : juce::Thread("Full update thread")
    , core(coreToUse)
    , files(std::move(filesToSend))
    , progress(std::move(sharedProgress))
    , status(std::move(sharedStatus))
    , isFactoryFirmware(isFactory)
{
}

FullUpdateThread::~FullUpdateThread()
{
    signalThreadShouldExit();
    notify();
    waitForThreadToExit(-1);
}

void FullUpdateThread::setStatusMessage(const juce::String& text)
{
    setStatusText(*status, text);
}

void FullUpdateThread::run()
{
    const ScopedLongOperationActivator activator(core);
    progress->set(1.0);
    setStatusMessage("Update finished.");
}
