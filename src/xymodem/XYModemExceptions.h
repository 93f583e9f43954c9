#pragma once

#include <exception>
#include <string>

namespace XYModemExceptions
{
// Cancelled by the receiver, or too many re-sends.
class TransmissionAborted : public std::exception
{
public:
    const char* what() const noexcept override { return "Transmission aborted."; }
};

class CouldNotOpenFile : public std::exception
{
public:
    explicit CouldNotOpenFile(std::string filePath)
        : path(std::move(filePath))
    {
    }

    const char* what() const noexcept override { return "Could not open file"; }
    const std::string& getPath() const noexcept { return path; }

private:
    std::string path;
};

// The receiver did not answer, or the port took no more bytes, in time.
class Timeout : public std::exception
{
public:
    explicit Timeout(int waitedSeconds)
        : seconds(waitedSeconds)
    {
    }

    const char* what() const noexcept override { return "Timeout"; }
    int getSeconds() const noexcept { return seconds; }

private:
    int seconds;
};
} // namespace XYModemExceptions
