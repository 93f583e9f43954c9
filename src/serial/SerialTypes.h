#pragma once

namespace serial
{

// Line settings. The numeric values count bits in the byte-time formula.
enum bytesize_t
{
    fivebits = 5,
    sixbits = 6,
    sevenbits = 7,
    eightbits = 8
};

enum parity_t
{
    parity_none = 0,
    parity_odd = 1,
    parity_even = 2,
    parity_mark = 3,
    parity_space = 4
};

enum stopbits_t
{
    stopbits_one = 1,
    stopbits_two = 2,
    stopbits_one_point_five = 3
};

enum flowcontrol_t
{
    flowcontrol_none = 0,
    flowcontrol_software = 1,
    flowcontrol_hardware = 2
};

} // namespace serial
