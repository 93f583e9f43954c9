#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testsupport
{
// A program started with its own environment additions, its standard output
// and error collected in a file. Killed on destruction if still running.
class ChildProcess
{
public:
    struct Exit
    {
        bool exited = false; // ended by exit()
        int exitCode = -1;   // when exited
        int signal = 0;      // when killed by a signal
    };

    ChildProcess(const std::vector<std::string>& arguments,
                 const std::map<std::string, std::string>& environment);
    ~ChildProcess();

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const noexcept { return processId; }
    bool isRunning();
    std::optional<Exit> waitFor(std::chrono::milliseconds timeout);
    std::string output() const;

private:
    int processId = -1;
    std::string outputPath;
    std::optional<Exit> finished;
};
} // namespace testsupport
