#pragma once

#include <string>
#include <string_view>

namespace xymodem
{
// The transfer log: rewritten by every transfer, next to the application log.
class TransferLog
{
public:
    static constexpr std::string_view fileName = "dspUpdate.log";

    // The application's log folder followed by the file name.
    static std::string path();
};
} // namespace xymodem
