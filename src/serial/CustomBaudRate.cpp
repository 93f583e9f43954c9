#include "CustomBaudRate.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace serial::detail
{

int setCustomBaudRate(int fd, uint32_t rate)
{
    termios2 options{};
    if (::ioctl(fd, TCGETS2, &options) == -1)
        return errno;
    options.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    options.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    options.c_ispeed = rate;
    options.c_ospeed = rate;
    if (::ioctl(fd, TCSETS2, &options) == -1)
        return errno;
    return 0;
}

uint32_t readBaudRate(int fd)
{
    termios2 options{};
    if (::ioctl(fd, TCGETS2, &options) == -1)
        return 0;
    return options.c_ospeed;
}

bool usesCustomBaudRate(int fd)
{
    termios2 options{};
    if (::ioctl(fd, TCGETS2, &options) == -1)
        return false;
    return (options.c_cflag & CBAUD) == BOTHER;
}

} // namespace serial::detail
