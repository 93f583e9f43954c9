#include "midiUsb/MidiDeviceFacade.h"

#include "common/Dictionary.h"
#include "common/FmtJuceString.h"
#include "common/JuceStrings.h"
#include "midiUsb/PortNamePatterns.h"

#include <spdlog/spdlog.h>

#include <algorithm>

namespace midiUsb
{
namespace
{
const juce::MidiDeviceInfo* findByIdentifier(const std::vector<juce::MidiDeviceInfo>& devices,
                                             const juce::String& identifier)
{
    const auto found =
        std::find_if(devices.begin(), devices.end(),
                     [&identifier](const auto& device) { return device.identifier == identifier; });
    return found == devices.end() ? nullptr : &*found;
}

bool isListed(const std::vector<juce::MidiDeviceInfo>& devices, const juce::String& identifier)
{
    return findByIdentifier(devices, identifier) != nullptr;
}

// The output of the device whose input is given: the one with the same
// identifier (ALSA names both ends of a port alike), else the output of that
// name at the input's rank among the inputs of that name, else the first
// output of that name.
const juce::MidiDeviceInfo* findOutputFor(const juce::MidiDeviceInfo& input,
                                          const std::vector<juce::MidiDeviceInfo>& inputs,
                                          const std::vector<juce::MidiDeviceInfo>& outputs)
{
    if (const auto* same = findByIdentifier(outputs, input.identifier))
        return same;
    std::vector<const juce::MidiDeviceInfo*> named;
    for (const auto& output : outputs)
        if (output.name == input.name)
            named.push_back(&output);
    if (named.empty())
        return nullptr;
    std::size_t rank = 0;
    for (const auto& other : inputs)
    {
        if (other.identifier == input.identifier)
            break;
        if (other.name == input.name)
            ++rank;
    }
    return named[std::min(rank, named.size() - 1)];
}
} // namespace

MidiDeviceFacade::MidiDeviceFacade(SharedValueTable& valuesToUse, std::shared_ptr<MidiSystem> system)
    : values(valuesToUse)
    , midiSystem(std::move(system))
    , aliveToken(std::make_shared<MidiDeviceFacade*>(this))
    , midiDeviceList(midiInputDeviceProvider(midiSystem))
    , midiOutputDeviceList(midiOutputDeviceProvider(midiSystem), MidiDeviceList::ChangeLog::silent)
    , outputListListener(*this)
    , answerHandler(sysExMidiHandler.getRequestQueue(),
                    [this](const juce::MidiMessage& message) {
                        sendChangeMessage(&IncomingMidiMessageListener::incomingMidiMessageReceived, message);
                    })
    , deviceVersionPeriodicRequest(values, &sysExMidiHandler)
{
    midiDeviceList.startTimer(pollPeriodMs);

    midiDeviceList.addChangeListener(this);
    filteredMidiDeviceList.addChangeListener(this);
    midiOutputDeviceList.addChangeListener(&outputListListener);
}

MidiDeviceFacade::~MidiDeviceFacade()
{
    *aliveToken = nullptr;
    midiDeviceList.removeChangeListener(this);
    filteredMidiDeviceList.removeChangeListener(this);
    midiOutputDeviceList.removeChangeListener(&outputListListener);

    // The input calls back into this object: no callback once it stopped.
    if (midiInput != nullptr)
        midiInput->stop();
    // Not released: the request in flight is dropped with the queue, no
    // callback runs while the owners of the callbacks may be gone.
    sysExMidiHandler.setMidiOutput(nullptr);
}

std::weak_ptr<MidiOutputPort> MidiDeviceFacade::getMidiOutput() const
{
    const std::lock_guard lock(midiOutputMutex);
    return midiOutput;
}

void MidiDeviceFacade::deviceListChanged(const std::vector<juce::MidiDeviceInfo>& devices)
{
    std::vector<juce::MidiDeviceInfo> filtered;
    std::copy_if(devices.begin(), devices.end(), std::back_inserter(filtered),
                 [](const auto& device)
                 { return PortNamePatterns::matchesAny(device.name, PortNamePatterns::instrument); });
    filteredMidiDeviceList.update(std::move(filtered));
}

void MidiDeviceFacade::OutputListListener::deviceListChanged(const std::vector<juce::MidiDeviceInfo>&)
{
    // Only an instrument still waiting for its output can gain from it.
    if (!facade.filteredMidiDeviceList.getDevices().empty() && facade.midiOutput == nullptr)
        facade.deviceListChanged(facade.midiDeviceList.getDevices());
}

void MidiDeviceFacade::filteredMidiDeviceListChanged(const std::vector<juce::MidiDeviceInfo>& devices)
{
    spdlog::info("Refreshing MIDI devices list");

    juce::StringArray names;
    for (const auto& device : devices)
        names.add(device.name);

    // The selected device is followed by its identifier, not its name: one
    // unplugged and plugged back (a firmware restart) or replaced by another
    // of the same name comes back with new identifiers and dead ports.
    if (selectedIdentifier.isEmpty() || !isListed(devices, selectedIdentifier))
    {
        const auto* next = devices.empty() ? nullptr : &devices.front();
        if (midiInput != nullptr && (next == nullptr || !isListed(devices, midiInput->getIdentifier())))
            resetMidiInput();
        if (midiOutput != nullptr && (next == nullptr || midiInput == nullptr))
            resetMidiOutput();

        const auto name = next == nullptr ? juce::String() : next->name;
        spdlog::info("New Midi device selected: {}", name);
        values[Dictionary::selectedMidiDeviceKey] = name;
        if (next != nullptr)
        {
            // What the previous device answered is not this one's.
            resetDeviceValues();
            selectedIdentifier = next->identifier;
            openInput(*next);
            openOutput(*next);
        }
        deviceVersionPeriodicRequest.start();
    }

    values[Dictionary::midiDevicesKey] = juce::var(names);

    // The outputs are polled only while an instrument waits for its output.
    if (!devices.empty() && midiOutput == nullptr)
    {
        if (!midiOutputDeviceList.isTimerRunning())
            midiOutputDeviceList.startTimer(pollPeriodMs);
    }
    else
    {
        midiOutputDeviceList.stopTimer();
    }
}

void MidiDeviceFacade::openInput(const juce::MidiDeviceInfo& device)
{
    spdlog::info("Opening midi device input: {}", device.name);
    std::shared_ptr<MidiInputPort> opened = midiSystem->openInput(device.identifier, *this);
    if (opened == nullptr)
    {
        spdlog::error("Could not open midi device input: {}", device.name);
        return resetMidiInput();
    }
    midiInput = std::move(opened);
    midiInput->start();
}

void MidiDeviceFacade::openOutput(const juce::MidiDeviceInfo& input)
{
    const auto outputs = midiSystem->getOutputs();
    const auto* device = findOutputFor(input, midiSystem->getInputs(), outputs);
    if (device == nullptr)
        return resetMidiOutput();

    spdlog::info("Opening midi device output: {}", device->identifier);
    // The queue must never hold a send function to a released port, also
    // when the new one fails to open; nor wait for an answer from it.
    sysExMidiHandler.releaseMidiOutput();
    std::shared_ptr<MidiOutputPort> opened = midiSystem->openOutput(device->identifier);
    if (opened == nullptr)
    {
        spdlog::error("Could not open midi device output: {}", device->identifier);
        return resetMidiOutput();
    }
    replaceMidiOutput(std::move(opened));
    sysExMidiHandler.setMidiOutput(midiOutput.get());
}

void MidiDeviceFacade::resetMidiInput()
{
    if (midiInput != nullptr)
        spdlog::info("Reset MIDI Input {}", midiInput->getName());
    resetVersionNumbers();
    midiInput.reset();
}

void MidiDeviceFacade::resetMidiOutput()
{
    if (midiOutput != nullptr)
        spdlog::info("Reset MIDI Output {}", midiOutput->getName());
    resetVersionNumbers();
    sysExMidiHandler.releaseMidiOutput();
    replaceMidiOutput(nullptr);
}

void MidiDeviceFacade::replaceMidiOutput(std::shared_ptr<MidiOutputPort> output)
{
    {
        const std::lock_guard lock(midiOutputMutex);
        midiOutput.swap(output);
    }
    // The previous port closes here, outside the lock, unless the update
    // thread still holds it for a burst of sends.
}

void MidiDeviceFacade::resetVersionNumbers()
{
    selectedIdentifier = {};
    values[Dictionary::selectedMidiDeviceKey] = juce::String();
    resetDeviceValues();
}

void MidiDeviceFacade::resetDeviceValues()
{
    values[Dictionary::currentPirelMatrixVersionKey] = utils::toJuceString(Dictionary::noVersionFound);
    values[Dictionary::currentTaveloVersionKey] = utils::toJuceString(Dictionary::noVersionFound);
    values[Dictionary::casingSerialNumber] = utils::toJuceString(Dictionary::noSerialNumber);
}

void MidiDeviceFacade::midiMessageReceived(MidiInputPort&, const juce::MidiMessage& message)
{
    // Receive thread: nothing of this object is touched here.
    juce::MessageManager::callAsync(
        [token = aliveToken, message]
        {
            if (auto* facade = *token)
                facade->parseSysExAnswer(message);
        });
}

void MidiDeviceFacade::parseSysExAnswer(const juce::MidiMessage& message)
{
    answerHandler.handle(message);
}
} // namespace midiUsb
