#pragma once

#include <string>

namespace xymodemtest
{
// A pseudo-terminal pair in raw mode: a port opens the slave by its path,
// a peer program gets the master as its line.
class PtyLink
{
public:
    PtyLink();
    ~PtyLink();

    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    const std::string& slavePath() const noexcept { return path; }
    int masterFd() const noexcept { return master; }
    // The slave side, held open so the line never hangs up while no port is open.
    int slaveFd() const noexcept { return slave; }
    // Close our own copies, so that the line hangs up when the peer that
    // holds the other copy leaves.
    void releaseMaster();
    void releaseSlave();

private:
    int master = -1;
    int slave = -1;
    std::string path;
};
} // namespace xymodemtest
