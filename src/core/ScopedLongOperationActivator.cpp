#include "core/ScopedLongOperationActivator.h"

#include "core/Core.h"

#include <juce_gui_basics/juce_gui_basics.h>

ScopedLongOperationActivator::ScopedLongOperationActivator(Core& coreToUse)
    : core(coreToUse)
    , sleepInhibition(core.inhibitSleep())
{
    core.toggleFirmwareLongOperation();
    juce::MessageManager::callAsync([] { juce::Desktop::setScreenSaverEnabled(false); });
}

ScopedLongOperationActivator::~ScopedLongOperationActivator()
{
    juce::MessageManager::callAsync([] { juce::Desktop::setScreenSaverEnabled(true); });
    core.toggleFirmwareLongOperation();
}
