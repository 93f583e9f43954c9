#include "common/Status.h"

#include "common/FmtJuceString.h"

#include <spdlog/spdlog.h>

bool setStatusText(Status& status, const juce::String& text)
{
    {
        const std::lock_guard lock(status.mutex);
        if (status.message.toString() == text)
            return false;
    }

    spdlog::info("Update status: {}", text);

    const std::lock_guard lock(status.mutex);
    status.message = text;
    return true;
}

juce::String readStatusText(Status& status)
{
    const std::lock_guard lock(status.mutex);
    return status.message.toString();
}
