#pragma once

#include <exception>
#include <string>

namespace serial
{

class SerialException : public std::exception
{
public:
    explicit SerialException(const char* description);
    const char* what() const noexcept override { return message.c_str(); }

private:
    std::string message;
};

// A system call on the port failed.
class IOException : public std::exception
{
public:
    IOException(std::string file, int line, int errorNumber);
    IOException(std::string file, int line, const char* description);

    const char* what() const noexcept override { return message.c_str(); }
    const std::string& getFile() const noexcept { return file; }
    int getLine() const noexcept { return line; }
    // 0 when the failure came with a description instead.
    int getErrorNumber() const noexcept { return errorNumber; }

private:
    std::string file;
    int line;
    std::string message;
    int errorNumber;
};

// I/O was asked of a closed port, or the port was closed while the I/O waited.
class PortNotOpenedException : public std::exception
{
public:
    explicit PortNotOpenedException(const char* description);
    const char* what() const noexcept override { return message.c_str(); }

private:
    std::string message;
};

} // namespace serial
