#pragma once

#include <cstdint>

namespace serial::detail
{

// Rates without a B-constant of their own go through termios2 and BOTHER,
// whose header cannot share a translation unit with <termios.h>.

// Sets both speeds of the line to rate; 0 on success, else the error number.
int setCustomBaudRate(int fd, uint32_t rate);

// The output speed that the driver holds for the line; 0 when it cannot be
// read.
uint32_t readBaudRate(int fd);

// Whether the line runs at a rate set through BOTHER.
bool usesCustomBaudRate(int fd);

} // namespace serial::detail
