#include "LogCapture.h"

#include <spdlog/sinks/base_sink.h>

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
    int n = 0;
    for (const auto& line : sink->snapshot())
        n += line.text == text ? 1 : 0;
    return n;
}

int LogCapture::count(spdlog::level::level_enum level, const std::string& text) const
{
    int n = 0;
    for (const auto& line : sink->snapshot())
        n += (line.level == level && line.text == text) ? 1 : 0;
    return n;
}

bool LogCapture::contains(const std::string& fragment) const
{
    for (const auto& line : sink->snapshot())
        if (line.text.find(fragment) != std::string::npos)
            return true;
    return false;
}

void LogCapture::clear()
{
    sink->reset();
}
} // namespace testsupport
