#include "FileTransferProtocol.h"

#include "ControlBytes.h"
#include "XYModemExceptions.h"

#include <spdlog/sinks/ansicolor_sink.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <system_error>
#include <thread>

namespace xymodem
{
namespace
{
// Short enough that a stop request is seen at once, long enough not to
// keep a core busy.
constexpr std::chrono::milliseconds waitSlice{100};
// Receivers purge their input right after they answer (lrzsz's rb does): a
// block that arrives before the purge is lost and costs the receiver's whole
// retry period (6 s after an ACK, 14 s after a "C"). So every block waits a
// moment after the answer it follows, longer after a "C".
constexpr std::chrono::microseconds answerTurnaround{200};
constexpr std::chrono::microseconds requestTurnaround{5000};
constexpr int64_t microsecondsPerSecond = 1000000;

// The file clock of the standard library need not count from 1970, so the
// modification time comes from the system.
int64_t modificationSecondsSinceEpoch(const std::filesystem::path& path)
{
    struct stat status
    {
    };
    if (::stat(path.c_str(), &status) != 0)
        throw std::filesystem::filesystem_error("Could not read the modification time", path,
                                                std::error_code(errno, std::generic_category()));
    return static_cast<int64_t>(status.st_mtime);
}
} // namespace

FileTransferProtocol::FileTransferProtocol(DeviceHandler& deviceHandler, const unsigned& initialState,
                                           std::string_view logFile, int logLevel)
    : logger(spdlog::default_logger())
    , device(deviceHandler)
    , currentState(initialState)
{
    initialiseLogger(logFile, logLevel);
}

FileTransferProtocol::FileTransferProtocol(DeviceHandler& deviceHandler, const unsigned& initialState,
                                           std::shared_ptr<spdlog::logger> sharedLogger)
    : logger(std::move(sharedLogger))
    , device(deviceHandler)
    , currentState(initialState)
{
}

FileTransferProtocol::~FileTransferProtocol()
{
    if (file.is_open())
        file.close();
}

void FileTransferProtocol::executeState(unsigned, bool) {}

void FileTransferProtocol::initialiseLogger(std::string_view logFile, int logLevel)
{
    try
    {
        auto console =
            std::make_shared<spdlog::sinks::ansicolor_stdout_sink_mt>(spdlog::color_mode::automatic);
        std::shared_ptr<spdlog::logger> made;
        if (!logFile.empty())
        {
            console->set_level(spdlog::level::info);
            auto fileSink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(std::string(logFile), true);
            fileSink->set_level(spdlog::level::debug);
            // Private: never registered, so it cannot clash with the
            // application's logger of the same name.
            made = std::make_shared<spdlog::logger>("multi_sink", spdlog::sinks_init_list{console, fileSink});
        }
        else
        {
            console->set_level(spdlog::level::debug);
            made = std::make_shared<spdlog::logger>("mono_sink", std::move(console));
        }
        made->set_level(static_cast<spdlog::level::level_enum>(logLevel));
        logger = std::move(made);
    }
    catch (const spdlog::spdlog_ex& exception)
    {
        logger->warn("Log init failed : {}", exception.what());
    }
}

void FileTransferProtocol::setFileInfos(const std::filesystem::path& path)
{
    filePath = path;
    fileName = path.filename().string();
    fileSize = static_cast<int64_t>(std::filesystem::file_size(path));
    lastWriteTime = modificationSecondsSinceEpoch(path) * microsecondsPerSecond;
    logger->info("Set file information");
    logger->info("Filename {}", fileName);
    logger->info("Filepath {}", filePath.string());
    logger->info("Filesize {} MB", static_cast<float>(fileSize) * 9.5367431640625e-07);
    logger->info("Last modification {} since epoch", lastWriteTime);
}

std::string FileTransferProtocol::getNextFileBlock(std::ifstream& stream, long n)
{
    std::string block(static_cast<size_t>(std::max(n, 0L)), '\0');
    stream.read(block.data(), static_cast<std::streamsize>(block.size()));
    return block;
}

void FileTransferProtocol::writePacket(const Packet& packet)
{
    waitForTurnaround();
    device.flushAllInputBuffers();
    writeToDevice(packet.data(), packet.size());
}

void FileTransferProtocol::waitForTurnaround() const
{
    std::this_thread::sleep_for(receivedByte == CRC_REQUEST ? requestTurnaround : answerTurnaround);
}

unsigned char FileTransferProtocol::requestAgainAsNak(unsigned char byte, bool awaitingFirstBlock)
{
    if (byte != CRC_REQUEST || !awaitingFirstBlock)
        return byte;
    logger->info("The receiver asked again for the block it awaits: sending it again");
    return NAK;
}

void FileTransferProtocol::writeControlByte(uint8_t byte)
{
    waitForTurnaround();
    device.flushAllInputBuffers();
    writeToDevice(&byte, 1);
}

void FileTransferProtocol::writeToDevice(const uint8_t* data, size_t length)
{
    try
    {
        device.write(data, length);
    }
    catch (const XYModemExceptions::Timeout&)
    {
        // The line takes no more bytes: a cancel would not get through either.
        receiverReleased = true;
        logger->error("The device took too long to accept {} bytes", length);
        throw;
    }
}

void FileTransferProtocol::cancelReceiver()
{
    if (receiverReleased)
        return;
    receiverReleased = true;
    try
    {
        const std::array<uint8_t, 2> cancel{CAN, CAN};
        device.flushAllInputBuffers();
        device.write(cancel.data(), cancel.size());
        logger->info("Cancelled the transfer on the receiver's side");
    }
    catch (const std::exception& exception)
    {
        logger->warn("Could not cancel the transfer on the receiver's side: {}", exception.what());
    }
}

bool FileTransferProtocol::runLoop(const std::function<unsigned(unsigned char)>& nextState, unsigned fallback,
                                   unsigned abortedState, bool logPackets)
{
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + answerLimit();
    while (!finished)
    {
        if (yieldCallback())
        {
            finished = true;
            return false;
        }
        if (device.isInputBufferEmpty())
        {
            receive(deadline);
            continue;
        }
        const auto byte = device.readNextByte();
        receivedByte = byte;
        const auto next = nextState(byte);
        logger->debug("Current state {}", next);
        if (next == fallback)
        {
            executeState(next, logPackets);
            continue;
        }
        currentState = next;
        if (next == abortedState && byte == CAN)
            receiverReleased = true;
        executeState(currentState, logPackets);
        deadline = Clock::now() + answerLimit();
    }
    return true;
}

void FileTransferProtocol::receive(std::chrono::steady_clock::time_point deadline)
{
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline)
    {
        // Silence after the end of the batch ends it without a failure.
        if (!lastHeaderSent)
            logger->warn("Timeout ... Transmission aborted");
        throw XYModemExceptions::Timeout(readTimeoutSeconds());
    }
    const auto slice = std::min(std::chrono::ceil<std::chrono::milliseconds>(deadline - now), waitSlice);
    if (!device.waitReadable(slice))
        return;
    device.readAll();
    if (logger->should_log(spdlog::level::debug))
    {
        logger->debug("Device input buffer size {}", device.available());
        logger->debug("Local buffer size {}", device.getInputBufferSize());
        logger->debug("Printing input buffer");
        if (!device.isInputBufferEmpty())
            logger->debug("Buffer front : {}", device.getInputBufferFront());
    }
}

int FileTransferProtocol::readTimeoutSeconds() const
{
    const auto timeout = std::chrono::ceil<std::chrono::seconds>(device.getReadTimeout());
    return static_cast<int>(timeout.count());
}
} // namespace xymodem
