#pragma once

#include "common/UpdateTiming.h"
#include "midiUsb/SysExMidiHandler.h"

#include <juce_core/juce_core.h>

#include <chrono>
#include <functional>
#include <memory>

class TaveloPersistentData;

// The update's first step: a new snapshot folder, the back-up's four files
// with their headers, the 63 requests through the instrument's request
// queue, and the wait until every one of them has been answered or has timed
// out. Runs on the update thread; the requests' callbacks run on the message
// thread and do nothing once the step is over or this object is gone.
class PersistentDataDownload
{
public:
    struct Hooks
    {
        std::function<bool()> stopRequested;
        std::function<void()> requestStop;
        std::function<void(const juce::String&)> setStatusMessage;
        // A posted alert; none once stopping.
        std::function<void(const juce::String& title, const juce::String& message)> showWarning;
        // Interruptible wait on the thread's event; false when stopped.
        std::function<bool(std::chrono::milliseconds)> pause;
    };

    // The longest slice of the wait between two looks at the requests and
    // the stop flag.
    static constexpr std::chrono::milliseconds waitSlice{5};

    PersistentDataDownload(midiUsb::SysExMidiHandler& handler, Hooks hooks, const UpdateTiming& timing);
    ~PersistentDataDownload();

    PersistentDataDownload(const PersistentDataDownload&) = delete;
    PersistentDataDownload& operator=(const PersistentDataDownload&) = delete;

    // "Transmission aborted." when stopped, "Back up download timed out." past
    // the back-up limit; any other failure names what went wrong.
    juce::Result run();

    // Whether a request went unanswered or came back cut short: the back-up
    // then stopped the update itself, which a stop from outside did not.
    bool lostAnAnswer() const;

    // The folder this run created; empty when none.
    juce::File snapshotFolder() const { return folder; }

    // TaveloPersistentData's send: queues one request, counted until one of
    // its callbacks has run.
    void sendBackUpRequest(juce::MidiMessage const& request, std::function<void()> const& onTimeout,
                           std::function<void(juce::String const&)> const& onReply);
    // A request got no answer: status "Error !", an alert, and a stop request.
    void onBackUpError(juce::String const& text);

private:
    struct Requests;

    juce::Result prepareFiles(TaveloPersistentData& data) const;
    juce::Result waitForAnswers();
    // Makes every later callback harmless and drops what is still queued.
    void giveUp();

    midiUsb::SysExMidiHandler& handler;
    const Hooks hooks;
    const UpdateTiming timing;
    juce::File folder;
    const std::shared_ptr<Requests> requests;
};
