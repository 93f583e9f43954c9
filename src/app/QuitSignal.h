#pragma once

#include <csignal>
#include <functional>

// Turns SIGTERM (the desktop's "please end") and SIGINT into one call on the
// message thread, so that such a quit takes the application's own way out,
// which stops a running update first, instead of ending the process on the
// spot with the log unflushed. Built and destroyed on the message thread.
class QuitSignal
{
public:
    explicit QuitSignal(std::function<void()> onQuitRequested);
    ~QuitSignal();

    QuitSignal(const QuitSignal&) = delete;
    QuitSignal& operator=(const QuitSignal&) = delete;

private:
    void quitRequested();

    const std::function<void()> onQuitRequested;
    // The signal handler writes a byte into the pipe; the message loop
    // watches its other end.
    int readEnd = -1;
    int writeEnd = -1;
    struct sigaction previousTerminate = {};
    struct sigaction previousInterrupt = {};
};
