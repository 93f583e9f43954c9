#include "ReceiverModel.h"

#include "ControlBytes.h"
#include "Crc16.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdio>

namespace xymodemtest
{
using namespace xymodem;

std::vector<Bytes> ReceiverModel::onWrite(const Bytes& written)
{
    const auto event = classify(written);
    history.push_back(event);
    auto reply = fault ? fault(event) : std::nullopt;
    if (!reply)
        reply = standardReply(event);
    if (reply->accept)
        accept(event, written);
    return reply->reads;
}

ReceiverModel::Event ReceiverModel::classify(const Bytes& written)
{
    const int fileIndex = static_cast<int>(received.size()) - 1;
    if (written.size() == 2 && written[0] == CAN && written[1] == CAN)
        return {Kind::cancel, fileIndex, 0, 0, 0};
    if (written.size() == 1 && written[0] == EOT)
        return {Kind::eot, fileIndex, 0, eotAttempts++, 0};
    if (written.size() != packetSize || written[0] != STX)
    {
        faults.push_back(fmt::format("unexpected write of {} bytes", written.size()));
        return {Kind::invalid, fileIndex, 0, 0, 0};
    }
    const auto number = written[1];
    if (written[2] != static_cast<uint8_t>(~number))
        faults.push_back(fmt::format("bad complement for packet {}", number));
    const auto crc = Crc16::compute(written.data() + 3, payloadSize);
    if (written[packetSize - 2] != (crc >> 8) || written[packetSize - 1] != (crc & 0xFF))
        faults.push_back(fmt::format("bad CRC for packet {}", number));

    const bool inFile = !received.empty() && !received.back().complete;
    if (number == 0 && !(inFile && acceptedInFile > 0))
    {
        const bool empty = written[3] == 0;
        return {empty ? Kind::endOfBatch : Kind::header, fileIndex, 0, headerAttempts++, 0};
    }
    int position = acceptedInFile;
    if (number != expectedNumber)
        position = acceptedInFile - 1; // a repeat of the packet accepted last
    if (position != lastPosition)
    {
        lastPosition = position;
        positionAttempts = 0;
    }
    return {Kind::data, fileIndex, position, positionAttempts++, number};
}

ReceiverModel::Reply ReceiverModel::standardReply(const Event& event) const
{
    Reply reply;
    switch (event.kind)
    {
    case Kind::header:
    case Kind::eot:
        if (ackAndRequestTogether)
            reply.reads = {{ACK, CRC_REQUEST}};
        else
            reply.reads = {{ACK}, {CRC_REQUEST}};
        break;
    case Kind::data:
    case Kind::endOfBatch:
        reply.reads = {{ACK}};
        break;
    case Kind::cancel:
    case Kind::invalid:
        break;
    }
    return reply;
}

void ReceiverModel::accept(const Event& event, const Bytes& written)
{
    switch (event.kind)
    {
    case Kind::header:
    {
        if (!received.empty() && !received.back().complete)
            faults.push_back("a header before the previous file ended");
        File file;
        const auto* payload = reinterpret_cast<const char*>(written.data() + 3);
        file.name = std::string(payload);
        const auto fields = std::string(payload + file.name.size() + 1);
        if (std::sscanf(fields.c_str(), "%lld %lld", &file.size, &file.modificationTime) != 2)
            faults.push_back("header fields unreadable: " + fields);
        received.push_back(file);
        expectedNumber = 1;
        acceptedInFile = 0;
        headerAttempts = 0;
        eotAttempts = 0;
        lastPosition = -1;
        break;
    }
    case Kind::data:
    {
        if (received.empty() || received.back().complete)
        {
            faults.push_back("data outside a file");
            break;
        }
        if (event.number == static_cast<uint8_t>(expectedNumber - 1) && acceptedInFile > 0)
            break; // a repeat: already stored
        if (event.number != expectedNumber)
        {
            faults.push_back(fmt::format("packet {} where {} was due", event.number, expectedNumber));
            break;
        }
        received.back().data.append(reinterpret_cast<const char*>(written.data() + 3), payloadSize);
        numbers.push_back(event.number);
        ++expectedNumber;
        ++acceptedInFile;
        break;
    }
    case Kind::eot:
    {
        if (received.empty() || received.back().complete)
        {
            faults.push_back("EOT outside a file");
            break;
        }
        auto& file = received.back();
        const auto size = static_cast<size_t>(file.size);
        if (file.data.size() < size || file.data.size() - size >= payloadSize)
            faults.push_back(fmt::format("{} data bytes for a file of {}", file.data.size(), size));
        else if (std::any_of(file.data.begin() + static_cast<long>(size), file.data.end(),
                             [](char c) { return static_cast<uint8_t>(c) != 0xFF; }))
            faults.push_back("the last packet is not filled with 0xFF");
        file.data.resize(std::min(file.data.size(), size));
        file.complete = true;
        headerAttempts = 0;
        break;
    }
    case Kind::endOfBatch:
        ended = true;
        break;
    case Kind::cancel:
    case Kind::invalid:
        break;
    }
}
} // namespace xymodemtest
