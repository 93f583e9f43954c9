#include "LogCapture.h"

#include <spdlog/sinks/base_sink.h>

#include <algorithm>

namespace testsupport
{
class LogCapture::Sink : public spdlog::sinks::base_sink<std::mutex>
{
public:
    std::vector<Line> snapshot()
    {
        const std::lock_guard lock(mutex_);
        return captured;
    }
    void reset()
    {
        const std::lock_guard lock(mutex_);
        captured.clear();
    }

protected:
    void sink_it_(const spdlog::details::log_msg& message) override
    {
        captured.push_back({message.level, std::string(message.payload.begin(), message.payload.end())});
    }
    void flush_() override {}

private:
    std::vector<Line> captured;
};

LogCapture::LogCapture()
    : sink(std::make_shared<Sink>())
    , previous(spdlog::default_logger())
{
    auto logger = std::make_shared<spdlog::logger>("multi_sink", sink);
    logger->set_level(spdlog::level::trace);
    spdlog::set_default_logger(std::move(logger));
}

LogCapture::~LogCapture()
{
    spdlog::set_default_logger(previous);
}

std::vector<LogCapture::Line> LogCapture::lines() const
{
    return sink->snapshot();
}

int LogCapture::count(const std::string& text) const
{
    const auto all = lines();
    return static_cast<int>(
        std::count_if(all.begin(), all.end(), [&](const Line& line) { return line.text == text; }));
}

int LogCapture::count(spdlog::level::level_enum level, const std::string& text) const
{
    const auto all = lines();
    return static_cast<int>(std::count_if(
        all.begin(), all.end(), [&](const Line& line) { return line.level == level && line.text == text; }));
}

bool LogCapture::contains(const std::string& fragment) const
{
    const auto all = lines();
    return std::any_of(all.begin(), all.end(),
                       [&](const Line& line) { return line.text.find(fragment) != std::string::npos; });
}

void LogCapture::clear()
{
    sink->reset();
}
} // namespace testsupport
