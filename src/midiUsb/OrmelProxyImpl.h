#pragma once

#include "midiUsb/MidiAvailableDevices.h"
#include "midiUsb/MidiInputReceiver.h"
#include "midiUsb/MidiSystem.h"
#include "midiUsb/OrmelProxy.h"

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

// The sound engine's ports ("Tavelo ormel" or "Tavelo * 2"), found and
// opened by the constructor, which must run off the message thread (it waits
// up to one second for the message thread to list the ports, less when
// `stopRequested` turns true: then the status is "Operation aborted."). It
// never throws: getStatus() tells whether both ports are open, or the first
// failure.
class OrmelProxyImpl final : public OrmelProxy, private midiUsb::MidiInputReceiver
{
public:
    static const std::array<std::string_view, 2> expectedDeviceInputNames;
    static const std::array<std::string_view, 2> expectedDeviceOutputNames;

    explicit OrmelProxyImpl(
        std::shared_ptr<midiUsb::MidiSystem> midiSystem, const std::function<bool()>& stopRequested = {},
        std::chrono::milliseconds listingWait = std::chrono::milliseconds(MidiAvailableDevices::waitLimitMs));
    ~OrmelProxyImpl() override;

    OrmelProxyImpl(const OrmelProxyImpl&) = delete;
    OrmelProxyImpl& operator=(const OrmelProxyImpl&) = delete;

    const juce::Result& getStatus() const noexcept { return status; }

    // Without an open output the message goes nowhere.
    void sendMidiMessage(const juce::MidiMessage& message) override;
    void addMessageReceivedCallback(std::function<void(const juce::MidiMessage&)> callback) override;

private:
    void midiMessageReceived(midiUsb::MidiInputPort& source, const juce::MidiMessage& message) override;

    // The identifier of the sound engine's port among the listed ones; when
    // there is none, logs the ports and records the failure.
    std::optional<juce::String> findPort(const juce::Array<juce::MidiDeviceInfo>& devices,
                                         const std::array<std::string_view, 2>& names,
                                         std::string_view direction);
    bool openInput();
    void openOutput();

    std::mutex mutex;
    std::function<void(const juce::MidiMessage&)> callback;
    juce::Result status = juce::Result::ok();
    const std::shared_ptr<midiUsb::MidiSystem> midiSystem;
    const std::shared_ptr<MidiAvailableDevices> availableDevices;
    std::unique_ptr<midiUsb::MidiInputPort> midiInput;
    std::unique_ptr<midiUsb::MidiOutputPort> midiOutput;
};
