#pragma once

#include "common/UpdateTiming.h"
#include "midiUsb/OrmelProxy.h"
#include "update/PresetFileName.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <queue>
#include <string>
#include <vector>

// The user presets of the sound engine, saved into the snapshot folder (one
// MIDI file per preset, one "group<g>.txt" per group listing slot and file)
// and sent back from there. Every message the engine sends is queued from
// construction on; the operations run on the update thread, and every pause
// and wait looks at stopRequested, failing with "Operation aborted.".
class TaveloPreset
{
public:
    TaveloPreset(std::unique_ptr<OrmelProxy> proxy, juce::File folder, const UpdateTiming& timing = {});
    ~TaveloPreset();

    TaveloPreset(const TaveloPreset&) = delete;
    TaveloPreset& operator=(const TaveloPreset&) = delete;

    // Every pause of the dialogue. By default sleeps in short slices and
    // returns early once stopRequested says so.
    std::function<void(const std::chrono::milliseconds&)> sleep;
    std::function<bool()> stopRequested = [] { return false; };

    // MIDI receive thread.
    void onMessageReceived(const juce::MidiMessage& message);
    // Waits at most the message wait for a queued message.
    juce::Result waitForNewMessage();
    // Only after waitForNewMessage succeeded.
    juce::MidiMessage popNextMessage();

    // Bank, sub-bank and the group's program change; the group's slots are
    // then downloaded with downloadPreset.
    void selectGroup(int group);
    juce::Result downloadPreset(int slot, const juce::File& groupFile);
    // The eight groups with their pauses, slot by slot.
    juce::Result downloadAllPresets();
    juce::Result uploadAllPresets();

private:
    juce::Result pause(std::chrono::milliseconds duration);
    juce::Result aborted() const;
    void dropQueuedMessages();
    // Pops messages, keeping them in `collected` when given, until one equal
    // to `expected` came; fails after `limit`.
    juce::Result waitFor(const juce::MidiMessage& expected, std::chrono::milliseconds limit,
                         std::vector<juce::MidiMessage>* collected);
    juce::Result savePreset(const std::vector<juce::MidiMessage>& received, int slot,
                            const juce::File& groupFile);
    juce::Result uploadGroup(int group);
    juce::Result uploadPreset(int group, const juce::String& line);

    const juce::File folder;
    const UpdateTiming timing;
    std::mutex mutex;
    std::condition_variable condition;
    std::queue<juce::MidiMessage> messages;
    PresetFileName fileNames;
    int selectedGroup = 0;
    // Last: it goes first, and with it the callback that uses the queue.
    std::unique_ptr<OrmelProxy> proxy;
};
