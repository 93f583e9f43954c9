#include "core/SleepInhibition.h"

#include <spdlog/spdlog.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

LogindSleepInhibition::LogindSleepInhibition()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
    {
        spdlog::warn("Could not keep the computer awake: no pipe");
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // "cat" holds the inhibitor until its input ends.
    const char* argv[] = {"systemd-inhibit",
                          "--what=sleep:idle",
                          "--who=Tavelo Updater",
                          "--why=A firmware update is running",
                          "--mode=block",
                          "cat",
                          nullptr};
    const int result = posix_spawnp(&child, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[0]);
    if (result != 0)
    {
        child = -1;
        ::close(fds[1]);
        spdlog::warn("Could not keep the computer awake: systemd-inhibit is not available");
        return;
    }
    holdOpen = fds[1];
}

LogindSleepInhibition::~LogindSleepInhibition()
{
    if (child <= 0)
        return;
    ::close(holdOpen);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (::waitpid(child, &status, WNOHANG) == 0)
    {
        if (std::chrono::steady_clock::now() >= deadline)
        {
            ::kill(child, SIGTERM);
            ::waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        spdlog::warn("Could not keep the computer awake: logind refused the inhibitor");
}
