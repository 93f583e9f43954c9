#pragma once

#include "DeviceHandler.h"
#include "GuardConditions.h"
#include "PacketBuilder.h"

#include <spdlog/logger.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>

namespace xymodem
{
// What the XModem and YModem senders share: the logger, the callbacks, the
// guard counters, the description of the file being sent, and the loop that
// feeds the receiver's answers to a transition table.
class FileTransferProtocol
{
public:
    virtual ~FileTransferProtocol();

    FileTransferProtocol(const FileTransferProtocol&) = delete;
    FileTransferProtocol& operator=(const FileTransferProtocol&) = delete;

protected:
    using Guard = std::function<bool(GuardConditions)>;
    // From state, to state, received byte, guard.
    using Transition = std::tuple<unsigned, unsigned, unsigned char, Guard>;

    // Builds a logger of its own over the console and, when logFile is not
    // empty, over that file, emptied now.
    FileTransferProtocol(DeviceHandler& device, const unsigned& initialState, std::string_view logFile,
                         int logLevel);
    // Writes to the given logger.
    FileTransferProtocol(DeviceHandler& device, const unsigned& initialState,
                         std::shared_ptr<spdlog::logger> logger);

    virtual void executeState(unsigned state, bool logPackets);

    // How the byte reads in the current state; by default it is what it is.
    virtual unsigned char interpret(unsigned char byte) { return byte; }

    // A receiver that has not had the first block of a transfer (a header,
    // or a file's first packet) asks for it again with "C", not NAK: while
    // that block's ACK is awaited, a "C" reads as a NAK, so the block goes
    // again at once and under the retry limits. (A "C" that comes with the
    // ACK never gets here: the ACK moves the machine on first.)
    unsigned char requestAgainAsNak(unsigned char byte, bool awaitingFirstBlock);

    // How long the receiver may stay silent in the current state.
    virtual std::chrono::milliseconds answerLimit() const { return device.getReadTimeout(); }

    // The first row that leaves the current state on this byte and whose
    // guard holds gives the next state; no row gives the fallback.
    template <size_t N>
    unsigned getNextState(unsigned char byte, unsigned state, unsigned fallback,
                          const std::array<Transition, N>& table) const
    {
        for (const auto& [from, to, expected, guard] : table)
            if (from == state && expected == byte && guard(guards))
                return to;
        return fallback;
    }

    // Feeds the receiver's bytes, one per step, to the machine until it has
    // finished. A byte that leads to the fallback state is logged and
    // otherwise ignored: the machine goes on waiting for the answer it
    // awaited, so it never advances or re-sends on a stray byte. Waits in
    // short slices, asking the yield callback in each; returns false when
    // that asked to stop. Throws XYModemExceptions::Timeout when no answer
    // came within the device's read time-out.
    template <size_t N>
    bool runStateMachine(const std::array<Transition, N>& table, unsigned fallback, unsigned abortedState,
                         bool logPackets)
    {
        return runLoop([this, &table, fallback](unsigned char byte)
                       { return getNextState(interpret(byte), currentState, fallback, table); },
                       fallback, abortedState, logPackets);
    }

    void initialiseLogger(std::string_view logFile, int logLevel);
    // Fills filePath, fileName, fileSize and lastWriteTime and logs them.
    void setFileInfos(const std::filesystem::path& path);
    // Exactly n bytes from the stream's position; 0x00 past its end.
    static std::string getNextFileBlock(std::ifstream& stream, long n);

    // Flushes the input, then writes the whole packet in one call.
    void writePacket(const Packet& packet);
    // Flushes the input, then writes one control byte.
    void writeControlByte(uint8_t byte);
    // Sends CAN CAN, the standard cancel, unless the receiver already knows
    // the transfer has ended. A failure to send is only logged.
    void cancelReceiver();

    std::shared_ptr<spdlog::logger> logger;
    DeviceHandler& device;
    unsigned currentState;
    std::function<void(float)> updateCallback = [](float) {};
    std::function<bool()> yieldCallback = [] { return false; };
    GuardConditions guards;
    bool finished = false;
    bool lastHeaderSent = false;
    std::ifstream file;
    std::filesystem::path filePath;
    std::string fileName;
    int64_t fileSize = 0;
    // Microseconds since the Unix epoch, whole seconds only.
    int64_t lastWriteTime = 0;
    // The receiver cancelled, was cancelled, or cannot be reached any more.
    bool receiverReleased = false;
    // The byte, as received, that drove the current step.
    unsigned char receivedByte = 0;

private:
    bool runLoop(const std::function<unsigned(unsigned char)>& nextState, unsigned fallback,
                 unsigned abortedState, bool logPackets);
    // Waits one slice for input and takes it into the local buffer.
    void receive(std::chrono::steady_clock::time_point deadline);
    void writeToDevice(const uint8_t* data, size_t length);
    // Lets the receiver finish with its answer before the next block.
    void waitForTurnaround() const;
    int readTimeoutSeconds() const;
};
} // namespace xymodem
