#include "ChildProcess.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport
{
ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment)
{
    char pattern[] = "/tmp/tavelo-child-XXXXXX";
    const int outputFd = mkstemp(pattern);
    if (outputFd < 0)
        throw std::runtime_error("mkstemp failed");
    outputPath = pattern;

    processId = fork();
    if (processId < 0)
        throw std::runtime_error("fork failed");

    if (processId == 0)
    {
        dup2(outputFd, STDOUT_FILENO);
        dup2(outputFd, STDERR_FILENO);
        for (const auto& [name, value] : environment)
            setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> argv;
        for (const auto& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(outputFd);
}

ChildProcess::~ChildProcess()
{
    terminate();
    unlink(outputPath.c_str());
}

bool ChildProcess::isRunning()
{
    return !waitFor(std::chrono::milliseconds(0)).has_value();
}

std::optional<ChildProcess::Exit> ChildProcess::waitFor(std::chrono::milliseconds timeout)
{
    if (finished)
        return finished;

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;)
    {
        int status = 0;
        const auto result = waitpid(processId, &status, WNOHANG);
        if (result == processId)
        {
            Exit exit;
            exit.exited = WIFEXITED(status);
            exit.exitCode = exit.exited ? WEXITSTATUS(status) : -1;
            exit.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
            finished = exit;
            return finished;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void ChildProcess::terminate()
{
    if (processId <= 0 || finished)
        return;
    kill(processId, SIGTERM);
    if (!waitFor(std::chrono::seconds(5)))
    {
        kill(processId, SIGKILL);
        waitFor(std::chrono::seconds(5));
    }
}

std::string ChildProcess::output() const
{
    std::ifstream stream(outputPath);
    std::stringstream buffer;
    buffer << stream.rdbuf();
    return buffer.str();
}
} // namespace testsupport
