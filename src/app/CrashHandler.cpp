#include "app/CrashHandler.h"

#include "common/FmtJuceString.h"

#include <juce_core/juce_core.h>
#include <spdlog/spdlog.h>

void crashHandler(void*)
{
    const auto trace = juce::SystemStats::getStackBacktrace();
    spdlog::critical("APPLICATION CRASHED, back trace:\n{}", trace);
    spdlog::default_logger()->flush();
}

void installCrashHandler()
{
    juce::SystemStats::setApplicationCrashHandler(crashHandler);
}
