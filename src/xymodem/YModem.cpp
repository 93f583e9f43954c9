#include "YModem.h"

#include "ControlBytes.h"
#include "TransitionGuards.h"
#include "XYModemExceptions.h"

#include <spdlog/spdlog.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace xymodem
{
namespace
{
using transitionGuards::always;
constexpr auto mayRetry = transitionGuards::mayRetry<YModem::retries>;
constexpr auto retriesExhausted = transitionGuards::retriesExhausted<YModem::retries>;
} // namespace

// A byte that matches no row leaves the machine waiting where it was (see
// runStateMachine), so no row leaves unexpectedInput. A "C" while a
// header's ACK is awaited reads as a NAK (interpret): the receiver lost the
// header, or had it and lost its ACK; either way it gets the header again
// under the retry limits, and one that had it ACKs it once more.
const YModem::Table YModem::stateTransitions{{
    {waitingStart, sendHeader, CRC_REQUEST, always},
    {sendHeader, headerAcknowledged, ACK, always},
    {sendHeader, resendHeader, NAK, always},
    {resendHeader, resendHeader, NAK, mayRetry},
    {resendHeader, transmissionAborted, NAK, retriesExhausted},
    {resendHeader, headerAcknowledged, ACK, always},
    {headerAcknowledged, sendHeader, CRC_REQUEST, always},
    {waitingStart, transmissionAborted, CAN, always},
    {sendHeader, transmissionAborted, CAN, always},
    {headerAcknowledged, transmissionAborted, CAN, always},
    {resendHeader, transmissionAborted, CAN, always},
}};

YModem::YModem(DeviceHandler& deviceHandler, std::string_view logFile, int logLevel)
    : FileTransferProtocol(deviceHandler, waitingStart, logFile, logLevel)
    , xmodem(deviceHandler, logger)
{
    guards.addGuard(retries, 0);
}

YModem::~YModem() = default;

void YModem::transmit(const std::vector<std::filesystem::path>& filesToSend,
                      std::function<void(float)> update, std::function<bool()> yield, bool logPackets)
{
    files = filesToSend;
    checkFiles();
    guards.clear();
    updateCallback = std::move(update);
    yieldCallback = std::move(yield);
    finished = false;
    lastHeaderSent = false;
    currentState = waitingStart;
    receiverReleased = false;

    // Whatever came before the transfer is not an answer to it.
    device.flushAllInputBuffers();
    logger->info("Beginning transmission");

    bool completed = false;
    try
    {
        completed = runStateMachine(stateTransitions, unexpectedInput, transmissionAborted, logPackets);
    }
    catch (const XYModemExceptions::TransmissionAborted&)
    {
        cancelReceiver();
        throw;
    }
    catch (const XYModemExceptions::CouldNotOpenFile&)
    {
        cancelReceiver();
        throw;
    }
    catch (const std::filesystem::filesystem_error&)
    {
        cancelReceiver();
        throw;
    }
    catch (const std::length_error&)
    {
        cancelReceiver();
        throw;
    }
    catch (const XYModemExceptions::Timeout& timeout)
    {
        if (lastHeaderSent)
        {
            endWithoutAcknowledgement(timeout);
            return;
        }
        cancelReceiver();
        throw;
    }
    catch (const std::exception& failure)
    {
        // The device's own failures.
        if (lastHeaderSent)
        {
            endWithoutAcknowledgement(failure);
            return;
        }
        throw;
    }
    if (!completed)
        cancelReceiver();
}

void YModem::checkFiles() const
{
    for (const auto& path : files)
    {
        std::error_code error;
        const bool regular = std::filesystem::is_regular_file(path, error);
        static_cast<void>(std::filesystem::file_size(path, error));
        if (!regular || error || !std::ifstream(path, std::ios::binary).is_open())
        {
            logger->error("Could not open file located at {}", path.string());
            throw XYModemExceptions::CouldNotOpenFile(path.string());
        }
    }
}

std::chrono::milliseconds YModem::answerLimit() const
{
    const auto limit = device.getReadTimeout();
    return lastHeaderSent ? std::min(limit, std::chrono::milliseconds(endOfBatchAnswerLimit)) : limit;
}

void YModem::endWithoutAcknowledgement(const std::exception& reason)
{
    // Every file's EOT has been acknowledged, so the files are complete;
    // receivers that end the batch by leaving (lrzsz's rb hangs up, an
    // instrument restarts) never acknowledge its end.
    finished = true;
    logger->warn("The end of the batch was not acknowledged ({}); every file was", reason.what());
    logger->info("YModem transmission finished !");
}

void YModem::executeState(unsigned state, bool logPackets)
{
    switch (state)
    {
    case sendHeader:
        guards.set(retries, 0);
        executeSendHeader(logPackets);
        break;
    case resendHeader:
        guards.inc(retries);
        executeSendHeader(logPackets);
        break;
    case headerAcknowledged:
        acknowledgeHeader(logPackets);
        break;
    case transmissionAborted:
        finished = true;
        logger->warn("YModem transmission aborted, perhaps too many retries");
        throw XYModemExceptions::TransmissionAborted();
    default:
        logger->info("Nothing to do");
        break;
    }
}

void YModem::acknowledgeHeader(bool logPackets)
{
    if (lastHeaderSent)
    {
        finished = true;
        logger->info("YModem transmission finished !");
        return;
    }
    guards.set(retries, 0);
    logger->info("Beginning XModem transmission");
    bool completed = false;
    try
    {
        completed = xmodem.transmit(files.back(), updateCallback, yieldCallback, logPackets);
    }
    catch (...)
    {
        // The data stage has dealt with the receiver itself.
        receiverReleased = true;
        throw;
    }
    if (!completed)
    {
        // Stopped by the caller; the data stage has cancelled the receiver.
        receiverReleased = true;
        finished = true;
        return;
    }
    files.pop_back();
    logger->info("Finished XModem transmission !");
}

void YModem::executeSendHeader(bool logPackets)
{
    if (files.empty())
    {
        writePacket(makeLastPacket(logPackets));
        lastHeaderSent = true;
        return;
    }
    setFileInfos(files.back());
    writePacket(makeHeaderPacket(fileName, fileSize, lastWriteTime, logPackets));
    logger->info("Wrote header packet");
}

Packet YModem::makeHeaderPacket(const std::string& name, const long long& size, const long long& writeTime,
                                bool logPackets)
{
    const auto packet = PacketBuilder::header(name, size, writeTime);
    logPacket(packet, logPackets);
    return packet;
}

Packet YModem::makeLastPacket(bool logPackets)
{
    const auto packet = PacketBuilder::endOfBatch();
    logPacket(packet, logPackets);
    return packet;
}

void YModem::logPacket(const Packet& packet, bool logPackets) const
{
    if (logPackets && logger->should_log(spdlog::level::debug))
        logger->debug("{}", PacketBuilder::describe(packet));
}
unsigned char YModem::interpret(unsigned char byte)
{
    return requestAgainAsNak(byte, currentState == sendHeader || currentState == resendHeader);
}
} // namespace xymodem
