#include "PeerProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace simulator
{
PeerProcess::PeerProcess(const std::vector<std::string>& arguments, int input, int output,
                         const std::filesystem::path& folder)
    : errorFile(folder.parent_path() / (folder.filename().string() + ".stderr"))
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int result = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0)
        throw std::runtime_error("Could not start " + arguments.front());
}

PeerProcess::~PeerProcess()
{
    kill();
    std::error_code ignored;
    std::filesystem::remove(errorFile, ignored);
}

std::optional<int> PeerProcess::waitFor(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!status)
    {
        int raw = 0;
        const auto result = ::waitpid(pid, &raw, WNOHANG);
        if (result == pid)
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        else if (std::chrono::steady_clock::now() >= deadline)
            break;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status;
}

void PeerProcess::kill()
{
    if (status || pid <= 0)
        return;
    ::kill(pid, SIGKILL);
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    status = -1;
}

std::string PeerProcess::errorOutput() const
{
    std::ifstream stream(errorFile);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}
} // namespace simulator
