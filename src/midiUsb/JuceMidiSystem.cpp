#include "midiUsb/JuceMidiSystem.h"

#include "midiUsb/JuceMidiInputPort.h"
#include "midiUsb/JuceMidiOutputPort.h"

#if JUCE_LINUX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace midiUsb
{
namespace
{
std::vector<juce::MidiDeviceInfo> toVector(const juce::Array<juce::MidiDeviceInfo>& devices)
{
    return {devices.begin(), devices.end()};
}
} // namespace

bool JuceMidiSystem::isMidiServiceAvailable()
{
#if JUCE_LINUX
    // The framework opens a new ALSA sequencer client for each listing, and
    // ALSA prints an error line each time the sequencer is missing.
    static const bool available = []
    {
        const int descriptor = ::open("/dev/snd/seq", O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0)
            return false;
        ::close(descriptor);
        return true;
    }();
    return available;
#else
    return true;
#endif
}

std::vector<juce::MidiDeviceInfo> JuceMidiSystem::getInputs() const
{
    if (!isMidiServiceAvailable())
        return {};
    return toVector(juce::MidiInput::getAvailableDevices());
}

std::vector<juce::MidiDeviceInfo> JuceMidiSystem::getOutputs() const
{
    if (!isMidiServiceAvailable())
        return {};
    return toVector(juce::MidiOutput::getAvailableDevices());
}

std::unique_ptr<MidiInputPort> JuceMidiSystem::openInput(const juce::String& identifier,
                                                         MidiInputReceiver& receiver)
{
    if (!isMidiServiceAvailable())
        return nullptr;
    return JuceMidiInputPort::open(identifier, receiver);
}

std::unique_ptr<MidiOutputPort> JuceMidiSystem::openOutput(const juce::String& identifier)
{
    if (!isMidiServiceAvailable())
        return nullptr;
    return JuceMidiOutputPort::open(identifier);
}
} // namespace midiUsb
