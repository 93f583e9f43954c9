#include "ScriptedDevice.h"

#include <thread>

namespace xymodemtest
{
ScriptedDevice::ScriptedDevice(Responder respond, std::chrono::milliseconds timeout)
    : responder(std::move(respond))
    , readTimeout(timeout)
{
}

void ScriptedDevice::arrive(const std::vector<Bytes>& reads)
{
    for (const auto& read : reads)
        if (!read.empty())
            pending.push_back(read);
}

void ScriptedDevice::arriveWhileWaiting(const std::vector<Bytes>& reads)
{
    for (const auto& read : reads)
        if (!read.empty())
            later.push_back(read);
}

void ScriptedDevice::write(const uint8_t* data, size_t length)
{
    written.emplace_back(data, data + length);
    arrive(responder(written.back()));
}

void ScriptedDevice::readAll()
{
    if (pending.empty())
        return;
    inputBuffer.insert(inputBuffer.end(), pending.front().begin(), pending.front().end());
    pending.pop_front();
}

void ScriptedDevice::flushDeviceInputBuffer()
{
    pending.clear();
}

size_t ScriptedDevice::available() const
{
    return pending.empty() ? 0 : pending.front().size();
}

bool ScriptedDevice::waitReadable(std::chrono::milliseconds limit) const
{
    if (pending.empty() && !later.empty())
    {
        pending.insert(pending.end(), later.begin(), later.end());
        later.clear();
    }
    if (!pending.empty())
        return true;
    std::this_thread::sleep_for(limit);
    return false;
}
} // namespace xymodemtest
