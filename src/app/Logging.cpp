#include "app/Logging.h"

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <chrono>
#include <iostream>
#include <pthread.h>
#include <thread>

namespace
{
// spdlog's flusher thread cannot be named, but on Linux a thread starts with
// the name of the thread that made it: it is made from a named one.
void startNamedFlusher()
{
    std::thread(
        []
        {
            pthread_setname_np(pthread_self(), "Log flusher");
            spdlog::flush_every(std::chrono::seconds(1));
        })
        .join();
}
} // namespace

void initialiseApplicationLog(const juce::String& logFilePath)
{
    try
    {
        auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(logFilePath.toStdString(), false);
        auto logger = std::make_shared<spdlog::logger>("multi_sink", std::move(sink));
        // The lines that explain a kill, a hang or a power cut must be on
        // disk by then: warnings at once, every other line within a second.
        logger->flush_on(spdlog::level::warn);
        spdlog::set_default_logger(std::move(logger));
        startNamedFlusher();
    }
    catch (const spdlog::spdlog_ex& exception)
    {
        std::cout << "Log init failed: " << exception.what() << std::endl;
    }
}
