#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace simulator
{
// A pseudo-terminal pair: the code under test opens the slave's path as its
// serial port, and on the master side either the test plays the device or a
// peer program gets a side as its line.
class PseudoTerminal
{
public:
    enum class Use
    {
        // The test reads and writes the master itself, which never blocks.
        testPlaysDevice,
        // A peer program gets a side as its line: raw and blocking, as a
        // serial line is.
        lineForPeer
    };

    explicit PseudoTerminal(Use use = Use::testPlaysDevice);
    ~PseudoTerminal();

    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& slavePath() const noexcept { return path; }
    int masterFd() const noexcept { return master; }
    // A descriptor on the slave side, for reading its settings; held open,
    // so the line never hangs up while no port is open.
    int slaveFd() const noexcept { return slave; }

    void writeToPort(const std::vector<uint8_t>& bytes);
    // Reads what the port wrote until count bytes arrived or the time is up.
    std::vector<uint8_t> readFromPort(std::size_t count, std::chrono::milliseconds timeout);
    // Discards what the port wrote so far.
    void drain();

    // The device goes away: closing the master hangs the slave up.
    void hangUp();
    // Close our own copies, so that the line hangs up when the peer that
    // holds the other copy leaves.
    void releaseMaster();
    void releaseSlave();
    // Closes, behind their owners' back, every other descriptor of this
    // process on the slave (the port's): its next use, and its own close(2),
    // fail with EBADF. Returns how many were closed.
    int closeForeignSlaveDescriptors();

private:
    int master = -1;
    int slave = -1;
    std::string path;
};
} // namespace simulator
