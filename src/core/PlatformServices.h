#pragma once

#include "common/UpdateTiming.h"
#include "core/AlertSink.h"
#include "core/SleepInhibition.h"
#include "midiUsb/JuceMidiSystem.h"
#include "serial/PortInfo.h"
#include "serial/PortListing.h"

#include <functional>
#include <memory>
#include <vector>

// What the Core needs of the platform, handed to it at construction so that
// tests and the simulated instrument can stand in for the real devices.
struct PlatformServices
{
    // Lists the serial ports; a pseudo-terminal can be presented here as
    // the instrument's port.
    std::function<std::vector<serial::PortInfo>()> listSerialPorts = [] { return serial::list_ports(); };

    // The MIDI service: the platform's, or a virtual bus in tests.
    std::shared_ptr<midiUsb::MidiSystem> midiSystem = std::make_shared<midiUsb::JuceMidiSystem>();

    // The update's pauses and limits; tests shorten them.
    UpdateTiming updateTiming;

    // The update's alerts: the framework's windows, or a recorder.
    std::shared_ptr<AlertSink> alertSink = std::make_shared<JuceAlertSink>();

    // Held while an update runs; empty holds nothing.
    std::function<std::unique_ptr<SleepInhibition>()> inhibitSleep = []
    { return std::make_unique<LogindSleepInhibition>(); };
};
