#include "XModem.h"

#include "ControlBytes.h"
#include "TransitionGuards.h"
#include "XYModemExceptions.h"

#include <spdlog/spdlog.h>

#include <stdexcept>

namespace xymodem
{
namespace
{
bool packetsRemain(const GuardConditions& guards)
{
    return guards.get(XModem::packetsLeft) > 0;
}
bool noPacketsRemain(const GuardConditions& guards)
{
    return guards.get(XModem::packetsLeft) == 0;
}
using transitionGuards::always;
constexpr auto mayRetry = transitionGuards::mayRetry<XModem::retries>;
constexpr auto retriesExhausted = transitionGuards::retriesExhausted<XModem::retries>;
} // namespace

// A byte that matches no row leaves the machine waiting where it was (see
// runStateMachine), so a stray "C" never skips a packet and every re-send
// goes through the retry limits below. An empty file goes from the
// receiver's "C" straight to EOT. A receiver that had the header twice
// (its first ACK was lost) asks for packet 1 with NAK: that starts the data
// as "C" does. A "C" after EOT is the receiver asking for the next header,
// which it does only once it has the file: the EOT's ACK was lost.
const XModem::Table XModem::stateTransitions{{
    {waitingStart, sendPacket, CRC_REQUEST, packetsRemain},
    {waitingStart, sendEOT, CRC_REQUEST, noPacketsRemain},
    {waitingStart, sendPacket, NAK, packetsRemain},
    {waitingStart, sendEOT, NAK, noPacketsRemain},
    {sendPacket, sendPacket, ACK, packetsRemain},
    {sendPacket, resendPacket, NAK, always},
    {sendPacket, sendEOT, ACK, noPacketsRemain},
    {sendEOT, transmissionFinished, ACK, always},
    {sendEOT, resendEOT, NAK, always},
    {resendEOT, transmissionFinished, ACK, always},
    {sendEOT, transmissionFinished, CRC_REQUEST, always},
    {resendEOT, transmissionFinished, CRC_REQUEST, always},
    {resendEOT, resendEOT, NAK, mayRetry},
    {resendEOT, transmissionAborted, NAK, retriesExhausted},
    {resendPacket, resendPacket, NAK, mayRetry},
    {resendPacket, sendPacket, ACK, packetsRemain},
    {resendPacket, sendEOT, ACK, noPacketsRemain},
    {resendPacket, transmissionAborted, NAK, retriesExhausted},
    {waitingStart, transmissionAborted, CAN, always},
    {sendPacket, transmissionAborted, CAN, always},
    {sendEOT, transmissionAborted, CAN, always},
    {resendPacket, transmissionAborted, CAN, always},
    {resendEOT, transmissionAborted, CAN, always},
}};

XModem::XModem(DeviceHandler& deviceHandler, std::shared_ptr<spdlog::logger> sharedLogger)
    : FileTransferProtocol(deviceHandler, waitingStart, std::move(sharedLogger))
{
    guards.addGuards({{retries, 0}, {packetsLeft, 0}});
}

XModem::XModem(DeviceHandler& deviceHandler, std::string_view logFile, int logLevel)
    : FileTransferProtocol(deviceHandler, waitingStart, logFile, logLevel)
{
    guards.addGuards({{retries, 0}, {packetsLeft, 0}});
}

XModem::~XModem() = default;

bool XModem::transmit(const std::filesystem::path& path, std::function<void(float)> update,
                      std::function<bool()> yield, bool logPackets)
{
    guards.set(retries, 0);
    updateCallback = std::move(update);
    yieldCallback = std::move(yield);
    finished = false;
    currentState = waitingStart;
    packetId = tools::YModemPacketId(1);
    receiverReleased = false;

    bool completed = false;
    try
    {
        completed = sendFile(path, logPackets);
    }
    catch (const XYModemExceptions::Timeout&)
    {
        cancelReceiver();
        throw;
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
    if (!completed)
        cancelReceiver();
    return completed;
}

bool XModem::sendFile(const std::filesystem::path& path, bool logPackets)
{
    if (file.is_open())
        file.close();
    file.clear();
    file.open(path, std::ios::binary);
    if (!file.is_open())
    {
        logger->error("Could not open file located at {}", path.string());
        throw XYModemExceptions::CouldNotOpenFile(path.string());
    }
    setFileInfos(path);

    lastFullPacket = fileSize / static_cast<int64_t>(payloadSize);
    remaining = fileSize % static_cast<int64_t>(payloadSize);
    logger->debug("lastfullpacket {}", lastFullPacket);
    logger->debug("remaining {}", remaining);
    totalPackets = lastFullPacket + (remaining != 0 ? 1 : 0);
    guards.set(packetsLeft, static_cast<long>(totalPackets));
    file.seekg(0);

    // No flush here: the receiver's "C" that came with its ACK of the header
    // is what starts the data.
    logger->info("Beginning transmission");
    const bool completed =
        runStateMachine(stateTransitions, unexpectedInput, transmissionAborted, logPackets);
    file.close();
    return completed;
}

void XModem::executeState(unsigned state, bool logPackets)
{
    switch (state)
    {
    case sendPacket:
        guards.set(retries, 0);
        executeSendPacket(logPackets);
        break;
    case resendPacket:
        --packetId;
        guards.inc(packetsLeft);
        guards.inc(retries);
        executeSendPacket(logPackets);
        break;
    case sendEOT:
        guards.set(retries, 0);
        writeControlByte(EOT);
        logger->debug("Sent EOT");
        break;
    case resendEOT:
        guards.inc(retries);
        writeControlByte(EOT);
        logger->debug("Re-sent EOT");
        break;
    case transmissionFinished:
        finished = true;
        if (receivedByte == CRC_REQUEST)
        {
            // The batch acts on this request for the next header.
            device.putBack(CRC_REQUEST);
            logger->info("The receiver asks for the next file: it has this one");
        }
        logger->info("XModem transmission finished successfully !");
        break;
    case transmissionAborted:
        finished = true;
        logger->warn("XModem transmission aborted, perhaps too many retries");
        throw XYModemExceptions::TransmissionAborted();
    default:
        logger->info("Nothing to do");
        break;
    }
}

void XModem::executeSendPacket(bool logPackets)
{
    const auto left = static_cast<int64_t>(guards.get(packetsLeft));
    const bool isLast = left == 1;
    // The block's place follows from the packets already counted, never from
    // the packet number, which wraps after 255.
    const int64_t blockIndex = totalPackets - left;
    const long length =
        isLast && remaining != 0 ? static_cast<long>(remaining) : static_cast<long>(payloadSize);
    if (isLast)
        logger->debug("{}", packetId.get());

    file.clear();
    file.seekg(static_cast<std::streamoff>(blockIndex * static_cast<int64_t>(payloadSize)));
    const auto block = getNextFileBlock(file, length);
    writePacket(makeDataPacket(block, packetId.get(), logPackets));
    if (isLast)
        logger->debug("Sent last packet");
    else
        logger->debug("Packets left {}", left);

    ++packetId;
    guards.dec(packetsLeft);
    const auto fraction = static_cast<float>(totalPackets - (left - 1)) / static_cast<float>(totalPackets);
    updateCallback(fraction);
    logger->debug(R"(Sent {}\% packets)", fraction * 100.0);
}

Packet XModem::makeDataPacket(const std::string& block, const uint8_t& packetNumber, bool logPackets)
{
    const auto packet = PacketBuilder::data(block, packetNumber);
    if (logPackets && logger->should_log(spdlog::level::debug))
        logger->debug("{}", PacketBuilder::describe(packet));
    return packet;
}
unsigned char XModem::interpret(unsigned char byte)
{
    return requestAgainAsNak(byte, (currentState == sendPacket || currentState == resendPacket) &&
                                       guards.get(packetsLeft) + 1 == static_cast<long>(totalPackets));
}
} // namespace xymodem
