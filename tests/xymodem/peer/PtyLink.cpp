#include "PtyLink.h"

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

namespace xymodemtest
{
PtyLink::PtyLink()
{
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    if (::openpty(&master, &slave, name, &raw, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    path = name;
}

PtyLink::~PtyLink()
{
    releaseMaster();
    releaseSlave();
}

void PtyLink::releaseMaster()
{
    if (master >= 0)
        ::close(master);
    master = -1;
}

void PtyLink::releaseSlave()
{
    if (slave >= 0)
        ::close(slave);
    slave = -1;
}
} // namespace xymodemtest
