#include "midiUsb/DeviceVersionPeriodicRequest.h"

#include "common/Dictionary.h"
#include "common/FmtJuceString.h"
#include "common/JuceStrings.h"
#include "midiUsb/SysExRequests.h"

#include <spdlog/spdlog.h>

namespace midiUsb
{
namespace
{
// What is asked for, where the answer goes and what is logged about it.
struct Kind
{
    std::string_view key;
    std::string_view placeholder;
    InfoRequestType request;
    const char* timeoutText;
    const char* invalidText;
    spdlog::level::level_enum invalidLevel;
    const char* successText;
    bool logSuccessFirst;
};

const std::array<Kind, 3> kinds{{
    {Dictionary::currentTaveloVersionKey, Dictionary::noVersionFound, InfoRequestType::firmwareVersion,
     "Tavelo firmware version request timed out.",
     "Tavelo firmware version request: The device's answer is invalid.", spdlog::level::err,
     "Firmware version: {}", true},
    {Dictionary::currentPirelMatrixVersionKey, Dictionary::noVersionFound, InfoRequestType::ormelVersion,
     "Ormel DSP version request timed out.", "Ormel DSP version request: The device's answer is invalid.",
     spdlog::level::err, "Ormel DSP version: {}", true},
    {Dictionary::casingSerialNumber, Dictionary::noSerialNumber, InfoRequestType::serialNumber,
     "Tavelo serial number request timed out.", "Tavelo serial number request: the device answer is invalid.",
     spdlog::level::warn, "Casing serial number received: {}", false},
}};
} // namespace

DeviceVersionPeriodicRequest::DeviceVersionPeriodicRequest(SharedValueTable& valuesToUse,
                                                           SysExMidiHandler* handler)
    : values(valuesToUse)
    , sysExMidiHandler(handler)
{
}

DeviceVersionPeriodicRequest::~DeviceVersionPeriodicRequest()
{
    stopTimer();
}

void DeviceVersionPeriodicRequest::start()
{
    startTimer(periodMs);
}

void DeviceVersionPeriodicRequest::timerCallback()
{
    if (!sysExMidiHandler->getRequestQueue().hasSendFunction())
    {
        spdlog::info("Device disconnected: stopped ongoing firmware version number requests.");
        stopTimer();
        return;
    }
    requestDeviceVersions();
}

void DeviceVersionPeriodicRequest::requestDeviceVersions()
{
    for (std::size_t index = 0; index < kinds.size(); ++index)
    {
        const auto& kind = kinds[index];
        if (values[kind.key].toString() != utils::toJuceString(kind.placeholder))
            continue;

        // A silent instrument must not make the queue grow by one copy a
        // second: ask again only once the previous request has ended.
        if (pendingRequests[index].expired())
            queueRequest(index);
        return;
    }
    stopTimer();
}

void DeviceVersionPeriodicRequest::queueRequest(std::size_t kindIndex)
{
    const auto& kind = kinds[kindIndex];
    auto token = std::make_shared<const int>(0);
    pendingRequests[kindIndex] = token;

    auto* table = &values;
    sysExMidiHandler->addMessageToQueue(
        SysExRequests::infoRequest(kind.request), [token, &kind] { spdlog::warn(kind.timeoutText); },
        [token, &kind, table](juce::String const& text)
        {
            if (kind.logSuccessFirst)
                spdlog::info(fmt::runtime(kind.successText), text);
            (*table)[kind.key] = text;
            if (!kind.logSuccessFirst)
                spdlog::info(fmt::runtime(kind.successText), text);
        },
        [token, &kind] { spdlog::log(kind.invalidLevel, kind.invalidText); });
}
} // namespace midiUsb
