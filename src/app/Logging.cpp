#include "app/Logging.h"

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <iostream>

void initialiseApplicationLog(const juce::String& logFilePath)
{
    try
    {
        auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(logFilePath.toStdString(), false);
        auto logger = std::make_shared<spdlog::logger>("multi_sink", std::move(sink));
        spdlog::set_default_logger(std::move(logger));
    }
    catch (const spdlog::spdlog_ex& exception)
    {
        std::cout << "Log init failed: " << exception.what() << std::endl;
    }
}
