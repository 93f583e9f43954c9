#pragma once

#include "common/Broadcaster.h"
#include "common/SharedValueTable.h"
#include "midiUsb/DeviceVersionPeriodicRequest.h"
#include "midiUsb/FilteredMidiDeviceList.h"
#include "midiUsb/IncomingMidiMessageListener.h"
#include "midiUsb/MidiDeviceList.h"
#include "midiUsb/MidiInputReceiver.h"
#include "midiUsb/MidiSystem.h"
#include "midiUsb/SysExAnswerHandler.h"
#include "midiUsb/SysExMidiHandler.h"

#include <memory>
#include <mutex>

namespace midiUsb
{
// Follows the instrument's own MIDI ports: polls the inputs once a second,
// keeps those named like the instrument, selects the first, opens its input
// and output, hands the output to the request queue and starts the version
// requests. What arrives on the input is parsed on the message thread, and
// the shared values say which device is selected and what it answered.
//
// Message thread, except getMidiOutput (any thread) and the input's
// callback (the receive thread, which only posts the message on).
class MidiDeviceFacade : private MidiDeviceListListener,
                         private FilteredMidiDeviceListListener,
                         public utils::Broadcaster<IncomingMidiMessageListener>,
                         private MidiInputReceiver
{
public:
    MidiDeviceFacade(SharedValueTable& values, std::shared_ptr<MidiSystem> midiSystem);
    ~MidiDeviceFacade() override;

    MidiDeviceFacade(const MidiDeviceFacade&) = delete;
    MidiDeviceFacade& operator=(const MidiDeviceFacade&) = delete;

    // The request queue of the instrument's output; requests may be queued
    // from any thread.
    SysExMidiHandler& getSysExMidiHandler() noexcept { return sysExMidiHandler; }

    // The selected device's output, for direct sends: lock it for each
    // burst. Empty when no output is open. Any thread.
    std::weak_ptr<MidiOutputPort> getMidiOutput() const;

    // The MIDI service this facade lists and opens ports on.
    std::shared_ptr<MidiSystem> getMidiSystem() const { return midiSystem; }

    static constexpr int pollPeriodMs = 1000;

protected:
    void listenerAdded(IncomingMidiMessageListener*) const override {}

private:
    // Re-runs the selection when the outputs change, so that an output that
    // shows up after its input makes the instrument usable. The outputs are
    // polled only while a selected instrument has no output.
    class OutputListListener final : public MidiDeviceListListener
    {
    public:
        explicit OutputListListener(MidiDeviceFacade& owner)
            : facade(owner)
        {
        }
        void deviceListChanged(const std::vector<juce::MidiDeviceInfo>& devices) override;

    private:
        MidiDeviceFacade& facade;
    };

    void deviceListChanged(const std::vector<juce::MidiDeviceInfo>& devices) override;
    void filteredMidiDeviceListChanged(const std::vector<juce::MidiDeviceInfo>& devices) override;
    void midiMessageReceived(MidiInputPort& source, const juce::MidiMessage& message) override;

    void openInput(const juce::MidiDeviceInfo& device);
    void openOutput(const juce::MidiDeviceInfo& input);
    void resetMidiInput();
    void resetMidiOutput();
    void resetVersionNumbers();
    void resetDeviceValues();
    void replaceMidiOutput(std::shared_ptr<MidiOutputPort> output);

    void parseSysExAnswer(const juce::MidiMessage& message);

    SharedValueTable& values;
    const std::shared_ptr<MidiSystem> midiSystem;
    // Posted calls hold it and do nothing once it is null: a message handed
    // on by the receive thread may run after this object is gone.
    const std::shared_ptr<MidiDeviceFacade*> aliveToken;
    MidiDeviceList midiDeviceList;
    MidiDeviceList midiOutputDeviceList;
    OutputListListener outputListListener;
    FilteredMidiDeviceList filteredMidiDeviceList;
    SysExMidiHandler sysExMidiHandler;
    SysExAnswerHandler answerHandler;
    DeviceVersionPeriodicRequest deviceVersionPeriodicRequest;
    // The identifier of the selected device's input; empty when none is.
    juce::String selectedIdentifier;
    std::shared_ptr<MidiInputPort> midiInput;
    // Written on the message thread under the mutex; read there freely and
    // elsewhere only through getMidiOutput.
    mutable std::mutex midiOutputMutex;
    std::shared_ptr<MidiOutputPort> midiOutput;
};
} // namespace midiUsb
