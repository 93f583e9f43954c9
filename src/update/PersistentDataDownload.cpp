#include "update/PersistentDataDownload.h"

#include "common/FmtJuceString.h"
#include "update/TaveloPersistentData.h"

#include <spdlog/spdlog.h>

#include <mutex>
#include <thread>

namespace
{
constexpr const char* const transmissionAborted = "Transmission aborted.";
} // namespace

// Shared by this object and every queued callback. The callbacks run under
// the mutex, and only while `live`: giving up and destruction clear it.
struct PersistentDataDownload::Requests
{
    std::mutex mutex;
    bool live = true;
    int queued = 0;
    int outstanding = 0;
    int empty = 0;
    // A request timed out or its answer was cut short: the back-up is incomplete.
    bool lostAnAnswer = false;
    juce::String writeFailure;

    // Runs one of a request's callbacks, then counts the request as ended.
    template <typename Body>
    static void complete(const std::shared_ptr<Requests>& requests, Body&& body)
    {
        const std::lock_guard lock(requests->mutex);
        if (!requests->live)
            return;
        body();
        --requests->outstanding;
    }
};

PersistentDataDownload::PersistentDataDownload(midiUsb::SysExMidiHandler& handlerToUse, Hooks hooksToUse,
                                               const UpdateTiming& timingToUse)
    : handler(handlerToUse)
    , hooks(std::move(hooksToUse))
    , timing(timingToUse)
    , requests(std::make_shared<Requests>())
{
}

PersistentDataDownload::~PersistentDataDownload()
{
    giveUp();
}

juce::Result PersistentDataDownload::run()
{
    const auto newFolder = TaveloPersistentData::prepareNewPersistentDataFolder();
    if (const auto created = newFolder.createDirectory(); created.failed())
        return juce::Result::fail(
            "Could not create a new persistent data folder. Maybe there is a issue with the "
            "access rights or available disk space. Error message from OS: " +
            created.getErrorMessage());
    folder = newFolder;

    juce::Result prepared = juce::Result::ok();
    {
        TaveloPersistentData data(
            folder,
            [this](const auto& request, const auto& onTimeout, const auto& onReply)
            { sendBackUpRequest(request, onTimeout, onReply); },
            [this](const juce::String& text) { onBackUpError(text); },
            // Called inside a request's callback, under the requests' mutex.
            [requests = requests](const juce::String& text)
            {
                if (requests->writeFailure.isEmpty())
                    requests->writeFailure = text;
            });
        prepared = prepareFiles(data);
        if (prepared.wasOk())
            spdlog::info("Beginning back up download");
    }
    if (prepared.failed())
    {
        giveUp();
        return prepared;
    }
    return waitForAnswers();
}

juce::Result PersistentDataDownload::prepareFiles(TaveloPersistentData& data) const
{
    const auto freshFile = [this](const char* name, juce::File& file)
    {
        file = folder.getChildFile(name);
        if (const auto removed = TaveloPersistentData::removeFile(file); removed.failed())
            return removed;
        return file.create();
    };

    juce::File file;
    auto result = freshFile("whitekey_sensors_grid.csv", file);
    if (result.wasOk())
        result = data.writePositionCalibration(file, "white");
    if (result.wasOk())
        result = freshFile("blackkey_sensors_grid.csv", file);
    if (result.wasOk())
        result = data.writePositionCalibration(file, "black");
    if (result.wasOk())
        result = freshFile("playing_grid.csv", file);
    if (result.wasOk())
        result = data.writeTouchCalibration(file);
    if (result.wasOk())
        result = freshFile("tavelo.log", file);
    if (result.wasOk())
        result = data.writeTaveloLogs(file);
    return result;
}

juce::Result PersistentDataDownload::waitForAnswers()
{
    const auto deadline = std::chrono::steady_clock::now() + timing.backUpLimit;
    for (;;)
    {
        juce::String writeFailure;
        bool lost = false;
        {
            const std::lock_guard lock(requests->mutex);
            writeFailure = requests->writeFailure;
            // The last request may be the one that was lost: then nothing is
            // outstanding, yet the back-up is not whole.
            lost = requests->lostAnAnswer;
            if (writeFailure.isEmpty() && !lost && requests->outstanding == 0)
            {
                requests->live = false;
                if (requests->empty > 0)
                    spdlog::warn("{} of {} back up requests came back empty.", requests->empty,
                                 requests->queued);
                return juce::Result::ok();
            }
        }
        if (writeFailure.isNotEmpty())
        {
            giveUp();
            return juce::Result::fail("Could not write the back up: " + writeFailure);
        }
        if (lost || hooks.stopRequested())
        {
            giveUp();
            return juce::Result::fail(transmissionAborted);
        }
        if (std::chrono::steady_clock::now() > deadline)
        {
            giveUp();
            return juce::Result::fail("Back up download timed out.");
        }
        if (hooks.pause)
            hooks.pause(waitSlice);
        else
            std::this_thread::sleep_for(waitSlice);
    }
}

void PersistentDataDownload::giveUp()
{
    bool anyLeft = false;
    {
        const std::lock_guard lock(requests->mutex);
        anyLeft = requests->live && requests->outstanding > 0;
        requests->live = false;
    }
    // The queue holds no other requests of ours; those of others are asked
    // again by their owners.
    if (anyLeft)
        handler.getRequestQueue().clear();
}

void PersistentDataDownload::sendBackUpRequest(juce::MidiMessage const& request,
                                               std::function<void()> const& onTimeout,
                                               std::function<void(juce::String const&)> const& onReply)
{
    {
        const std::lock_guard lock(requests->mutex);
        ++requests->queued;
        ++requests->outstanding;
    }
    // An answer cut short fails like no answer at all; only a genuinely
    // empty one is counted and let through.
    const auto lost = [requests = requests, onTimeout]
    {
        Requests::complete(requests,
                           [&]
                           {
                               requests->lostAnAnswer = true;
                               onTimeout();
                           });
    };
    handler.addMessageToQueue(
        request, lost,
        [requests = requests, onReply](juce::String const& text)
        {
            Requests::complete(requests,
                               [&]
                               {
                                   if (text.isEmpty())
                                       ++requests->empty;
                                   onReply(text);
                               });
        },
        [requests = requests] { Requests::complete(requests, [&] { ++requests->empty; }); }, lost);
}

bool PersistentDataDownload::lostAnAnswer() const
{
    const std::lock_guard lock(requests->mutex);
    return requests->lostAnAnswer;
}

void PersistentDataDownload::onBackUpError(juce::String const& text)
{
    spdlog::error("{}", text);
    // Once the step is ending, one alert is enough.
    if (hooks.stopRequested())
        return;
    hooks.setStatusMessage("Error !");
    hooks.showWarning("Error", text);
    hooks.requestStop();
}
