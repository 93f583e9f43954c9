#include "TransferLog.h"

#include "Core.h"

namespace xymodem
{
std::string TransferLog::path()
{
    return Core::logPath.toStdString() + std::string(fileName);
}
} // namespace xymodem
