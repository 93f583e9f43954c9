#include "app/QuitSignal.h"

#include <juce_events/juce_events.h>
#include <spdlog/spdlog.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace
{
std::atomic<int> signalPipe{-1};

// Only what is safe in a signal handler: one write on a non-blocking pipe.
extern "C" void writeToSignalPipe(int)
{
    const auto savedErrno = errno;
    if (const auto fd = signalPipe.load(); fd >= 0)
    {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}
} // namespace

QuitSignal::QuitSignal(std::function<void()> callback)
    : onQuitRequested(std::move(callback))
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
    {
        spdlog::error("Quit signals not handled: no pipe ({})", std::strerror(errno));
        return;
    }
    readEnd = ends[0];
    writeEnd = ends[1];
    signalPipe = writeEnd;
    juce::LinuxEventLoop::registerFdCallback(readEnd, [this](int) { quitRequested(); });

    struct sigaction action = {};
    action.sa_handler = writeToSignalPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &previousTerminate);
    ::sigaction(SIGINT, &action, &previousInterrupt);
}

QuitSignal::~QuitSignal()
{
    if (readEnd < 0)
        return;
    ::sigaction(SIGTERM, &previousTerminate, nullptr);
    ::sigaction(SIGINT, &previousInterrupt, nullptr);
    signalPipe = -1;
    juce::LinuxEventLoop::unregisterFdCallback(readEnd);
    ::close(readEnd);
    ::close(writeEnd);
}

void QuitSignal::quitRequested()
{
    char bytes[16];
    while (::read(readEnd, bytes, sizeof(bytes)) > 0)
    {
    }
    spdlog::info("Quit requested by a signal");
    onQuitRequested();
}
