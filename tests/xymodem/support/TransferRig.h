#pragma once

#include "ReceiverModel.h"
#include "ScriptedDevice.h"
#include "support/TemporaryFolder.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace xymodemtest
{
// A YModem sender wired to the receiver model through a scripted device,
// with the progress it reports.
class TransferRig
{
public:
    explicit TransferRig(std::chrono::milliseconds readTimeout = std::chrono::milliseconds(2000));

    // The receiver's first "C".
    void receiverStarts();
    // Sends with a sender of its own; the log goes to the console at warning.
    void send(const std::vector<std::filesystem::path>& files);
    void send(const std::vector<std::filesystem::path>& files, const std::string& logFile, int logLevel);

    int countWrites(const std::function<bool(const Bytes&)>& predicate) const;
    bool lastWriteIsCancel() const;
    int cancelCount() const;

    testsupport::TemporaryFolder folder;
    ReceiverModel receiver;
    ScriptedDevice device;
    std::vector<float> progress;
    std::function<bool()> stopRequest = [] { return false; };
};

bool isCancel(const Bytes& bytes);
bool isDataPacket(const Bytes& bytes, uint8_t number);
} // namespace xymodemtest
