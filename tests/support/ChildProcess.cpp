#include "ChildProcess.h"

#include <cstdlib>
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
    outputPath = pattern;
    processId = outputFd < 0 ? -1 : fork();
    if (processId < 0)
        throw std::runtime_error("could not start a child process");
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
    // SIGTERM first, SIGKILL if that is not enough.
    for (const int signal : {SIGTERM, SIGKILL})
        if (!finished && processId > 0 && kill(processId, signal) == 0)
            waitFor(std::chrono::seconds(5));
    unlink(outputPath.c_str());
}

bool ChildProcess::isRunning()
{
    return !waitFor(std::chrono::milliseconds(0)).has_value();
}

std::optional<ChildProcess::Exit> ChildProcess::waitFor(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (int status = 0; !finished; std::this_thread::sleep_for(std::chrono::milliseconds(10)))
    {
        if (waitpid(processId, &status, WNOHANG) == processId)
            finished = Exit{WIFEXITED(status), WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                            WIFSIGNALED(status) ? WTERMSIG(status) : 0};
        else if (std::chrono::steady_clock::now() >= deadline)
            break;
    }
    return finished;
}

std::string ChildProcess::output() const
{
    std::stringstream buffer;
    buffer << std::ifstream(outputPath).rdbuf();
    return buffer.str();
}
} // namespace testsupport
