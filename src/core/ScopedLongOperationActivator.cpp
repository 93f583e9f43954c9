#include "core/ScopedLongOperationActivator.h"

#include "core/Core.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <spdlog/spdlog.h>

namespace
{
// Message thread. Without a display the framework's call would crash in
// the X library.
void setScreenSaverEnabled(bool enabled)
{
    if (juce::Desktop::getInstance().getDisplays().displays.isEmpty())
    {
        if (!enabled)
            spdlog::warn("No display: the screen saver is left as it is");
        return;
    }
    juce::Desktop::setScreenSaverEnabled(enabled);
}
} // namespace

ScopedLongOperationActivator::ScopedLongOperationActivator(Core& coreToUse)
    : core(coreToUse)
    , sleepInhibition(core.inhibitSleep())
{
    core.toggleFirmwareLongOperation();
    juce::MessageManager::callAsync([] { setScreenSaverEnabled(false); });
}

ScopedLongOperationActivator::~ScopedLongOperationActivator()
{
    juce::MessageManager::callAsync([] { setScreenSaverEnabled(true); });
    core.toggleFirmwareLongOperation();
}
