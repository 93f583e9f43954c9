#include "MessageLoop.h"

#include <juce_events/juce_events.h>

namespace testsupport
{
void pumpMessages(std::chrono::milliseconds duration)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil(static_cast<int>(duration.count()));
}

bool pumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition())
    {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        juce::MessageManager::getInstance()->runDispatchLoopUntil(2);
    }
    return true;
}
} // namespace testsupport
