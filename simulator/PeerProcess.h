#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace simulator
{
// A program run as the far end of a line: its standard input and output
// are the given descriptors, standard error goes to a file, and it runs in
// the given folder. Killed at destruction if still running.
class PeerProcess
{
public:
    PeerProcess(const std::vector<std::string>& arguments, int input, int output,
                const std::filesystem::path& folder);
    ~PeerProcess();

    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    // The exit status, or nothing while it still runs after the time-out;
    // -1 when it ended by a signal.
    std::optional<int> waitFor(std::chrono::milliseconds timeout);
    void kill();
    std::string errorOutput() const;

private:
    int pid = -1;
    std::optional<int> status;
    std::filesystem::path errorFile;
};
} // namespace simulator
