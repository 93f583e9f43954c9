#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport
{
// A pseudo-terminal pair: the test plays the device on the master side, the
// code under test opens the slave's path as its serial port.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();

    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& slavePath() const noexcept { return path; }
    int masterFd() const noexcept { return master; }
    // A descriptor on the slave side, for reading its settings.
    int slaveFd() const noexcept { return slave; }

    void writeToPort(const std::vector<uint8_t>& bytes);
    // Reads what the port wrote until count bytes arrived or the time is up.
    std::vector<uint8_t> readFromPort(std::size_t count, std::chrono::milliseconds timeout);
    // Discards what the port wrote so far.
    void drain();

    // The device goes away: closing the master hangs the slave up.
    void hangUp();

private:
    int master = -1;
    int slave = -1;
    std::string path;
};
} // namespace testsupport
