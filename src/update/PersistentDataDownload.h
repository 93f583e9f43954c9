#pragma once

#include "common/UpdateTiming.h"
#include "midiUsb/SysExMidiHandler.h"

#include <juce_core/juce_core.h>

#include <chrono>
#include <functional>

// Stand-in until the back-up lands: makes the snapshot folder only.
class PersistentDataDownload
{
public:
    struct Hooks
    {
        std::function<bool()> stopRequested;
        std::function<void()> requestStop;
        std::function<void(const juce::String&)> setStatusMessage;
        std::function<void(const juce::String& title, const juce::String& message)> showWarning;
        std::function<bool(std::chrono::milliseconds)> pause;
    };
    PersistentDataDownload(midiUsb::SysExMidiHandler& handler, Hooks hooks, const UpdateTiming& timing);
    ~PersistentDataDownload();
    juce::Result run();
    juce::File snapshotFolder() const;

private:
    juce::File folder;
};
