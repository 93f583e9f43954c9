#include "ReceiverModel.h"

#include "ControlBytes.h"

#include <cstdio>

namespace xymodemtest
{
using namespace xymodem;

std::vector<Bytes> ReceiverModel::onWrite(const Bytes& written)
{
    const auto event = classify(written);
    history.push_back(event);
    auto reply = fault ? fault(event) : std::nullopt;
    if (!reply && (event.kind == Kind::header || event.kind == Kind::eot))
        reply = Reply{{{ACK, CRC_REQUEST}}};
    else if (!reply)
        reply = Reply{{event.kind == Kind::other ? Bytes{} : Bytes{ACK}}};
    if (reply->accept)
        accept(event, written);
    return reply->reads;
}

ReceiverModel::Event ReceiverModel::classify(const Bytes& written)
{
    if (written.size() == 1 && written[0] == EOT)
        return {Kind::eot, 0, eotAttempts++};
    if (written.size() != packetSize)
        return {Kind::other, 0, 0};
    if (written[1] == 0 && !(inFile && acceptedInFile > 0))
        return {written[3] == 0 ? Kind::endOfBatch : Kind::header, 0, headerAttempts++};
    // A number other than the next one is a repeat of the packet accepted last.
    const int position =
        written[1] == static_cast<uint8_t>(acceptedInFile + 1) ? acceptedInFile : acceptedInFile - 1;
    if (position != lastPosition)
        positionAttempts = 0;
    lastPosition = position;
    return {Kind::data, position, positionAttempts++};
}

void ReceiverModel::accept(const Event& event, const Bytes& written)
{
    const auto* payload = reinterpret_cast<const char*>(written.data() + 3);
    if (event.kind == Kind::header)
    {
        File file{payload};
        std::sscanf(payload + file.name.size() + 1, "%lld %lld", &file.size, &file.modificationTime);
        received.push_back(file);
        inFile = true;
        acceptedInFile = headerAttempts = eotAttempts = 0;
        lastPosition = -1;
    }
    else if (event.kind == Kind::data && event.position == acceptedInFile)
    {
        received.back().data.append(payload, payloadSize);
        ++acceptedInFile;
    }
    else if (event.kind == Kind::eot)
    {
        received.back().data.resize(static_cast<size_t>(received.back().size));
        inFile = false;
        headerAttempts = 0;
    }
    else if (event.kind == Kind::endOfBatch)
        ended = true;
}
} // namespace xymodemtest
