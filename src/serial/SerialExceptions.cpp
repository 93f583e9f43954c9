#include "SerialExceptions.h"

#include <cstring>

namespace serial
{

SerialException::SerialException(const char* description)
    : message(std::string("SerialException ") + description + " failed.")
{
}

IOException::IOException(std::string sourceFile, int sourceLine, int error)
    : file(std::move(sourceFile))
    , line(sourceLine)
    , message("IO Exception (" + std::to_string(error) + "): " + std::strerror(error) + ", file " + file +
              ", line " + std::to_string(line) + ".")
    , errorNumber(error)
{
}

IOException::IOException(std::string sourceFile, int sourceLine, const char* description)
    : file(std::move(sourceFile))
    , line(sourceLine)
    , message(std::string("IO Exception: ") + description + ", file " + file + ", line " +
              std::to_string(line) + ".")
    , errorNumber(0)
{
}

PortNotOpenedException::PortNotOpenedException(const char* description)
    : message(std::string("PortNotOpenedException ") + description + " failed.")
{
}

} // namespace serial
