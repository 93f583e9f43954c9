#include "TransferLog.h"

#include "common/LogFolder.h"

namespace xymodem
{
std::string TransferLog::path()
{
    return utils::logFolder().toStdString() + std::string(fileName);
}
} // namespace xymodem
