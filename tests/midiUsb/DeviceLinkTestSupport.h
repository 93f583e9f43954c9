#pragma once

#include "VirtualMidiBus.h"
#include "common/SharedValueTable.h"
#include "midiUsb/OrmelProxyImpl.h"
#include "midiUsb/SysExCommand.h"

#include <memory>
#include <vector>

namespace devicelinktest
{
// The device values as the Core starts them.
void fillDeviceValues(SharedValueTable& values);

juce::String text(const SharedValueTable& values, std::string_view key);

// The info requests the system sent on the bus, by the kind asked for.
std::vector<midiUsb::InfoRequestType> infoRequestsSent(const simulator::VirtualMidiBus& bus);

// Builds the sound-engine proxy on a worker thread, as the update thread
// does, while this (the message) thread keeps running.
std::unique_ptr<OrmelProxyImpl> buildProxyOnWorker(std::shared_ptr<midiUsb::MidiSystem> system);
} // namespace devicelinktest
