#pragma once

#include <cstddef>

// The fonts and pictures compiled into the program.
namespace gui::resources
{
struct Resource
{
    const void* data;
    std::size_t size;
};

Resource keyboardPicturePng();
Resource logoSvg();
Resource poppinsRegularTtf();
Resource poppinsSemiBoldTtf();
Resource poppinsMediumTtf();
Resource poppinsLightTtf();
} // namespace gui::resources
