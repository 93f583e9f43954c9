// Logs to the file given as the first argument, installs the application's
// crash handler and then faults, as a crash in the application would.
#include "app/CrashHandler.h"
#include "app/Logging.h"

#include <csignal>
#include <spdlog/spdlog.h>

volatile int probeResult = 0;

extern "C" __attribute__((noinline)) void tavelo_probe_faulting_function()
{
    std::raise(SIGSEGV);
    probeResult = 1; // keeps the raise from being a tail call, so this frame shows
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    initialiseApplicationLog(argv[1]);
    spdlog::info("probe started");
    installCrashHandler();
    tavelo_probe_faulting_function();
    return 0;
}
