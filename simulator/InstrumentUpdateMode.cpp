#include "InstrumentUpdateMode.h"

#include <juce_core/juce_core.h>

#include <algorithm>
#include <map>

namespace simulator
{
namespace
{
using Bytes = std::vector<uint8_t>;

// The direct messages, by their bytes from F0 to F7.
const std::map<Bytes, std::string>& directMessageNames()
{
    static const std::map<Bytes, std::string> names{
        {{0xF0, 0x00, 0x6B, 0x2D, 0x08, 0xF7}, "firmware update mode"},
        {{0xF0, 0x00, 0x6B, 0x2D, 0x08, 0x01, 0x00, 0xF7}, "sound-engine update mode"},
        {{0xF0, 0x00, 0x6B, 0x2D, 0x0E, 0x0F, 0x00, 0x01, 0x01, 0xF7}, "configure first"},
        {{0xF0, 0x00, 0x6B, 0x2D, 0x0E, 0x0E, 0x00, 0x01, 0x01, 0xF7}, "configure second"},
        {{0xF0, 0x00, 0x6B, 0x2D, 0x1C, 0x20, 0x0A, 0x7E, 0x04, 0x37, 0xF7}, "factory set-up"}};
    return names;
}
} // namespace

InstrumentUpdateMode::InstrumentUpdateMode(SimulatedInstrument& instrumentToUse,
                                           std::filesystem::path workFolder, UpdateModeOptions optionsToUse)
    : instrument(instrumentToUse)
    , folder(std::move(workFolder))
    , options(std::move(optionsToUse))
{
    thread = std::thread([this] { run(); });
    instrument.setReceiveObserver([this](const juce::MidiMessage& message) { received(message); });
}

InstrumentUpdateMode::~InstrumentUpdateMode()
{
    instrument.setReceiveObserver(nullptr);
    {
        const std::lock_guard lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    thread.join();
}

std::vector<serial::PortInfo> InstrumentUpdateMode::listPorts() const
{
    const std::lock_guard lock(mutex);
    if (!listedPort)
        return {};
    return {*listedPort};
}

std::vector<InstrumentUpdateMode::DirectMessage> InstrumentUpdateMode::directMessages() const
{
    const std::lock_guard lock(mutex);
    return messages;
}

std::vector<InstrumentUpdateMode::ReceivedImage> InstrumentUpdateMode::receivedImages() const
{
    const std::lock_guard lock(mutex);
    return images;
}

InstrumentUpdateMode::Phase InstrumentUpdateMode::phase() const
{
    const std::lock_guard lock(mutex);
    return currentPhase;
}

void InstrumentUpdateMode::powerCycle()
{
    schedule(std::chrono::milliseconds(0),
             [this]
             {
                 instrument.disconnect();
                 {
                     const std::lock_guard lock(mutex);
                     portsConnected = false;
                 }
                 // Long enough for the 1 s MIDI poll to see the ports go.
                 schedule(std::chrono::milliseconds(2500), [this] { restart(true); });
             });
}

void InstrumentUpdateMode::received(const juce::MidiMessage& message)
{
    const auto* data = message.getRawData();
    const Bytes bytes(data, data + message.getRawDataSize());
    const auto found = directMessageNames().find(bytes);
    if (found == directMessageNames().end())
        return;
    const auto now = Clock::now();
    bool enter = false;
    bool soundEngine = false;
    {
        const std::lock_guard lock(mutex);
        const bool accepted = accept(found->second, now);
        messages.push_back({found->second, accepted});
        if (accepted && found->second.find("update mode") != std::string::npos)
        {
            enter = true;
            soundEngine = found->second == "sound-engine update mode";
            currentPhase = Phase::enteringUpdateMode;
        }
    }
    if (enter)
        schedule(options.delayBeforeUpdateMode, [this, soundEngine] { enterUpdateMode(soundEngine); });
}

// Under the mutex.
bool InstrumentUpdateMode::accept(const std::string& name, Clock::time_point now)
{
    if (currentPhase != Phase::running)
        return false;
    if (name == "configure first")
        configureFirst = now;
    if (name == "configure second")
        configureSecond = now;
    if (name != "sound-engine update mode")
        return true;
    // Only after the configure pair, the second well after the first.
    const bool configured =
        configureFirst && configureSecond && *configureSecond - *configureFirst >= options.configureGap;
    configureFirst.reset();
    configureSecond.reset();
    return configured;
}

void InstrumentUpdateMode::schedule(std::chrono::milliseconds delay, std::function<void()> action)
{
    {
        const std::lock_guard lock(mutex);
        events.push_back({Clock::now() + delay, std::move(action)});
    }
    changed.notify_all();
}

void InstrumentUpdateMode::run()
{
    juce::Thread::setCurrentThreadName("Sim update");
    for (;;)
    {
        {
            std::unique_lock lock(mutex);
            changed.wait_for(lock, std::chrono::milliseconds(10));
            if (stopping)
                break;
        }
        runDueEvents();
        if (port != nullptr && port->hasEnded())
            transferEnded();
    }
    port.reset();
}

void InstrumentUpdateMode::runDueEvents()
{
    std::vector<Event> due;
    {
        const std::lock_guard lock(mutex);
        const auto now = Clock::now();
        const auto split = std::stable_partition(events.begin(), events.end(),
                                                 [now](const Event& event) { return event.due > now; });
        std::move(split, events.end(), std::back_inserter(due));
        events.erase(split, events.end());
    }
    for (const auto& event : due)
        event.action();
}

void InstrumentUpdateMode::enterUpdateMode(bool soundEngine)
{
    bool dropPorts = false;
    int number = 0;
    {
        const std::lock_guard lock(mutex);
        currentPhase = soundEngine ? Phase::soundEngineUpdateMode : Phase::firmwareUpdateMode;
        dropPorts = !options.portsStayInUpdateMode && portsConnected;
        portsConnected = portsConnected && !dropPorts;
        number = ++transfers;
    }
    if (dropPorts)
        instrument.disconnect();
    const auto& fault = soundEngine ? options.soundEngineFault : options.firmwareFault;
    port = std::make_unique<UpdateModeSerialPort>(folder / ("transfer-" + std::to_string(number)),
                                                  fault.imageSize, fault.fault);
    portIsSoundEngines = soundEngine;
    if (options.portFault == UpdateModeOptions::PortFault::none)
        showPort(true);
    else if (options.portFault == UpdateModeOptions::PortFault::shownLate)
        schedule(std::chrono::milliseconds(7000), [this] { showPort(port != nullptr); });
}

void InstrumentUpdateMode::showPort(bool show)
{
    const std::lock_guard lock(mutex);
    if (show && port != nullptr)
        listedPort = serial::PortInfo{port->path(), "Tavelo", hardwareId};
    else
        listedPort.reset();
}

void InstrumentUpdateMode::transferEnded()
{
    const bool succeeded = port->receiverSucceeded();
    const auto& fault = portIsSoundEngines ? options.soundEngineFault : options.firmwareFault;
    // At the last ACK every byte was there: the instrument restarts on it.
    const bool complete = succeeded || fault.fault == UpdateModeSerialPort::Fault::hangUpAfterLastAck;
    const bool soundEngine = portIsSoundEngines;
    const auto files = port->receivedFiles();
    showPort(false);
    port.reset();

    bool dropPorts = false;
    {
        const std::lock_guard lock(mutex);
        for (const auto& file : files)
            images.push_back({file, succeeded});
        currentPhase = soundEngine ? Phase::installing : Phase::restarting;
        dropPorts = !soundEngine && portsConnected && options.portsDropAfterTransfer.has_value();
    }
    if (soundEngine)
        return;
    if (dropPorts)
        schedule(*options.portsDropAfterTransfer,
                 [this]
                 {
                     instrument.disconnect();
                     const std::lock_guard lock(mutex);
                     portsConnected = false;
                 });
    schedule(options.restartTime, [this, complete] { restart(complete); });
}

void InstrumentUpdateMode::restart(bool withNewFirmware)
{
    if (!options.comesBack)
    {
        const std::lock_guard lock(mutex);
        currentPhase = Phase::gone;
        return;
    }
    if (withNewFirmware)
        instrument.setFirmwareVersion("2.4.0");
    instrument.connect();
    const std::lock_guard lock(mutex);
    portsConnected = true;
    currentPhase = Phase::running;
}
} // namespace simulator
