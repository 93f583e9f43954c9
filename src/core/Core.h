#pragma once

#include "common/SharedValueTable.h"
#include "core/PlatformServices.h"
#include "core/UpdateAvailableChecker.h"
#include "midiUsb/MidiDeviceFacade.h"
#include "serialDevice/SerialDeviceFacade.h"

#include <juce_data_structures/juce_data_structures.h>

#include <memory>

// The hub: the shared values, the user properties, the device facades, the
// running update thread and the update checker.
class Core
{
public:
    explicit Core(PlatformServices services = {});
    ~Core();

    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    juce::PropertiesFile* getUserProperties();

    // Posts a flip of "firmwareLongOperation" to the message thread.
    void toggleFirmwareLongOperation();

    // "Update possible.", safe to read from any thread.
    bool isUpdatePossible() const noexcept { return updateAvailableChecker->isUpdatePossible(); }

    // Opens the instrument's serial port for a transfer, at 115200 baud with
    // the transfer's time-outs. Throws CoreExceptions::CouldNotFindDevice
    // when the watcher holds no port that is still listed, and
    // CoreExceptions::CouldNotOpenInputDevice when the port fails to open.
    void openSerialDevice();

    // Held by the update for its lifetime; may be empty.
    std::unique_ptr<SleepInhibition> inhibitSleep() const
    {
        return sleepInhibitor ? sleepInhibitor() : nullptr;
    }

    static const juce::String logPath;

    SharedValueTable values;
    juce::ApplicationProperties properties;
    serialDevice::SerialDeviceFacade serialDeviceFacade;
    midiUsb::MidiDeviceFacade midiDeviceFacade;
    std::unique_ptr<juce::Thread> longOperation;
    const UpdateTiming updateTiming;
    const std::shared_ptr<AlertSink> alertSink;

private:
    static SharedValueTable makeInitialValues();
    static void logMachineDescription();
    void configureProperties();

    const std::function<std::unique_ptr<SleepInhibition>()> sleepInhibitor;
    // Guards the posted flips against a Core destroyed before they run.
    std::shared_ptr<Core*> aliveToken;
    std::unique_ptr<UpdateAvailableChecker> updateAvailableChecker;
};
