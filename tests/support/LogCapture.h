#pragma once

#include <spdlog/spdlog.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace testsupport
{
// Replaces the default logger while it lives and records every line, with
// its level, at trace level and up.
class LogCapture
{
public:
    struct Line
    {
        spdlog::level::level_enum level;
        std::string text;
    };

    LogCapture();
    ~LogCapture();

    std::vector<Line> lines() const;
    int count(const std::string& text) const;
    int count(spdlog::level::level_enum level, const std::string& text) const;
    bool contains(const std::string& fragment) const;
    void clear();

private:
    class Sink;
    std::shared_ptr<Sink> sink;
    std::shared_ptr<spdlog::logger> previous;
};
} // namespace testsupport
