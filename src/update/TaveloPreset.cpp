#include "update/TaveloPreset.h"

#include "common/FmtJuceString.h"
#include "update/OrmelMidiMessages.h"
#include "update/PresetMidiFile.h"

#include <spdlog/spdlog.h>

#include <algorithm>
#include <optional>
#include <thread>

namespace
{
using Messages = std::vector<juce::MidiMessage>;
using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds sleepSlice{10};

bool isChannelPressure(const juce::MidiMessage& message)
{
    return message.getRawDataSize() >= 2 && (message.getRawData()[0] & 0xF0) == 0xD0;
}

Messages::const_iterator findFrom(Messages::const_iterator from, const Messages& list,
                                  const juce::MidiMessage& wanted)
{
    return std::find_if(from, list.end(),
                        [&](const juce::MidiMessage& m) { return OrmelMidiMessages::equal(m, wanted); });
}

// The bytes of the last name section, or nothing when it is not closed or
// holds nothing at all.
std::optional<std::string> presetName(const Messages& received)
{
    const auto lastBegin =
        std::find_if(received.rbegin(), received.rend(),
                     [](const juce::MidiMessage& m)
                     { return OrmelMidiMessages::equal(m, OrmelMidiMessages::presetNameBeginMessage); });
    const auto afterBegin = lastBegin.base();
    const auto end = findFrom(afterBegin, received, OrmelMidiMessages::presetNameEndMessage);
    if (afterBegin == received.end() || end == received.end())
        return std::nullopt;

    std::string name;
    for (auto message = afterBegin; message != end; ++message)
        if (isChannelPressure(*message))
            name += static_cast<char>(message->getRawData()[1]);
    return name;
}

// Whatever a name or a group file line holds, a preset file is read or
// written only as a direct child of the snapshot folder.
juce::Result checkInFolder(const juce::File& folder, const juce::File& file)
{
    if (file.getParentDirectory() == folder)
        return juce::Result::ok();
    return juce::Result::fail(fmt::format("The preset file \"{}\" is not in the snapshot folder \"{}\".",
                                          file.getFullPathName(), folder.getFullPathName()));
}

juce::String unquoted(const juce::String& text)
{
    if (text.length() >= 2 && text.startsWithChar('"') && text.endsWithChar('"'))
        return text.substring(1, text.length() - 1);
    return text;
}
} // namespace

TaveloPreset::TaveloPreset(std::unique_ptr<OrmelProxy> proxyToUse, juce::File snapshotFolder,
                           const UpdateTiming& timingToUse)
    : folder(std::move(snapshotFolder))
    , timing(timingToUse)
    , proxy(std::move(proxyToUse))
{
    sleep = [this](const std::chrono::milliseconds& duration)
    {
        const auto until = Clock::now() + duration;
        for (auto now = Clock::now(); now < until && !stopRequested(); now = Clock::now())
            std::this_thread::sleep_for(std::min<Clock::duration>(until - now, sleepSlice));
    };
    proxy->addMessageReceivedCallback([this](const juce::MidiMessage& message)
                                      { onMessageReceived(message); });
}

TaveloPreset::~TaveloPreset()
{
    // No callback may run once the queue starts going.
    proxy.reset();
}

void TaveloPreset::onMessageReceived(const juce::MidiMessage& message)
{
    spdlog::trace("Message received: {}", message.getDescription());
    {
        const std::lock_guard lock(mutex);
        messages.push(message);
    }
    condition.notify_one();
}

juce::Result TaveloPreset::waitForNewMessage()
{
    std::unique_lock lock(mutex);
    if (condition.wait_until(lock, Clock::now() + timing.messageWait, [this] { return !messages.empty(); }))
        return juce::Result::ok();
    return juce::Result::fail("No message received before time out.");
}

juce::MidiMessage TaveloPreset::popNextMessage()
{
    const std::lock_guard lock(mutex);
    auto message = messages.front();
    messages.pop();
    return message;
}

void TaveloPreset::dropQueuedMessages()
{
    std::queue<juce::MidiMessage> dropped;
    const std::lock_guard lock(mutex);
    if (!messages.empty())
        spdlog::info("Dropped {} messages received before the request.", messages.size());
    messages.swap(dropped);
}

juce::Result TaveloPreset::aborted() const
{
    return juce::Result::fail("Operation aborted.");
}

juce::Result TaveloPreset::pause(std::chrono::milliseconds duration)
{
    if (stopRequested())
        return aborted();
    sleep(duration);
    return stopRequested() ? aborted() : juce::Result::ok();
}

juce::Result TaveloPreset::waitFor(const juce::MidiMessage& expected, std::chrono::milliseconds limit,
                                   Messages* collected)
{
    const auto start = Clock::now();
    while (Clock::now() - start <= limit)
    {
        if (stopRequested())
            return aborted();
        if (waitForNewMessage().failed())
            continue;
        const auto message = popNextMessage();
        if (collected != nullptr)
            collected->push_back(message);
        if (OrmelMidiMessages::equal(message, expected))
            return juce::Result::ok();
    }
    return juce::Result::fail(
        fmt::format("The expected message has not been received before time out. Message: {}",
                    expected.getDescription()));
}

void TaveloPreset::selectGroup(int group)
{
    selectedGroup = group;
    proxy->sendMidiMessage(OrmelMidiMessages::selectUserBankMessage);
    proxy->sendMidiMessage(OrmelMidiMessages::selectUserSubBankMessage);
    proxy->sendMidiMessage(OrmelMidiMessages::groupSelection(group));
}

juce::Result TaveloPreset::downloadAllPresets()
{
    for (int group = 0; group < OrmelMidiMessages::groupCount; ++group)
    {
        const auto groupFile = folder.getChildFile(fmt::format("group{}.txt", group));
        if (stopRequested())
            return aborted();
        selectGroup(group);
        if (auto paused = pause(timing.groupSelectPause); paused.failed())
            return paused;
        for (int slot = 0; slot < OrmelMidiMessages::slotsPerGroup; ++slot)
        {
            if (auto downloaded = downloadPreset(slot, groupFile); downloaded.failed())
                return downloaded;
            if (auto paused = pause(timing.afterPreset); paused.failed())
                return paused;
        }
    }
    return juce::Result::ok();
}

juce::Result TaveloPreset::downloadPreset(int slot, const juce::File& groupFile)
{
    proxy->sendMidiMessage(OrmelMidiMessages::simulateMatrixMessage);
    if (auto paused = pause(timing.beforePresetRequest); paused.failed())
        return paused;
    // Whatever came before the request (a late or repeated answer) would
    // shift this slot and every later one.
    dropQueuedMessages();
    proxy->sendMidiMessage(OrmelMidiMessages::presetRequest(slot));

    Messages received{OrmelMidiMessages::presetNameBeginMessage};
    if (auto answered = waitFor(OrmelMidiMessages::presetEndMessage, timing.presetAnswerLimit, &received);
        answered.failed())
        return answered;
    return savePreset(received, slot, groupFile);
}

juce::Result TaveloPreset::savePreset(const Messages& received, int slot, const juce::File& groupFile)
{
    auto name = presetName(received);
    if (name)
        spdlog::info("Extracted preset name: {}", *name);
    else
        spdlog::info("Empty preset slot: preset name section hasn't been found in the received preset.");
    const auto nameOrEmpty = name.value_or("Empty");
    spdlog::info("Received preset named {:?}", nameOrEmpty);

    const auto fileName = fileNames.fileNameFor(nameOrEmpty, selectedGroup, slot);
    const auto file = folder.getChildFile(fileName);

    const auto dataBegin = findFrom(received.begin(), received, OrmelMidiMessages::presetBeginMessage);
    if (dataBegin == received.end())
        return juce::Result::fail("Could not find the preset data begin message.");
    const Messages data(dataBegin + 1, received.end());
    if (auto inFolder = checkInFolder(folder, file); inFolder.failed())
        return inFolder;

    if (file.existsAsFile())
    {
        spdlog::warn("File already exists.");
        file.deleteFile();
    }
    spdlog::info("Writing file \"{}\" containing {} messages.", fileName, data.size());
    if (file.existsAsFile())
        return juce::Result::fail(
            fmt::format("The midi file \"{}\" already exists.", file.getFullPathName()));
    if (auto written = PresetMidiFile::write(file, data); written.failed())
        return written;

    if (!groupFile.appendText(fmt::format("{},\"{}\"\n", slot, fileName)))
        return juce::Result::fail(
            fmt::format("Could not add the preset to the group file \"{}\".", groupFile.getFullPathName()));
    return juce::Result::ok();
}

juce::Result TaveloPreset::uploadAllPresets()
{
    for (int group = 0; group < OrmelMidiMessages::groupCount; ++group)
        if (auto uploaded = uploadGroup(group); uploaded.failed())
            return uploaded;
    spdlog::info("Upload finished.");
    return juce::Result::ok();
}

juce::Result TaveloPreset::uploadGroup(int group)
{
    const auto groupFile = folder.getChildFile(fmt::format("group{}.txt", group));
    if (!groupFile.existsAsFile())
        return juce::Result::fail("Missing preset group file.");
    juce::FileInputStream stream(groupFile);
    if (stream.failedToOpen())
        return juce::Result::fail(
            fmt::format("Could not read the preset group file \"{}\".", groupFile.getFullPathName()));

    juce::StringArray lines;
    lines.addLines(stream.readEntireStreamAsString());
    for (const auto& line : lines)
        if (line.isNotEmpty())
            if (auto uploaded = uploadPreset(group, line); uploaded.failed())
                return uploaded;
    return juce::Result::ok();
}

juce::Result TaveloPreset::uploadPreset(int group, const juce::String& line)
{
    const auto fileName = unquoted(line.fromLastOccurrenceOf(",", false, false));
    const auto slot = line.upToFirstOccurrenceOf(",", false, false).getIntValue();
    const auto file = folder.getChildFile(fileName);
    const auto stem = PresetFileName::stemOf(fileName);

    spdlog::info("Uploading preset: {}", stem);
    proxy->sendMidiMessage(OrmelMidiMessages::simulateMatrixMessage);
    if (auto paused = pause(timing.uploadPause); paused.failed())
        return paused;

    if (auto inFolder = checkInFolder(folder, file); inFolder.failed())
        return inFolder;
    if (!file.existsAsFile())
        return juce::Result::fail(fmt::format("File \"{}\" doesn't exist.", file.getFullPathName()));
    Messages events;
    if (auto read = PresetMidiFile::read(file, events); read.failed())
        return read;

    // A ready message left from before must not stand for this preset's.
    dropQueuedMessages();
    for (const auto& event : events)
    {
        proxy->sendMidiMessage(event);
        if (auto paused = pause(timing.afterUploadEvent); paused.failed())
            return paused;
    }
    if (auto ready = waitFor(OrmelMidiMessages::readyToReceivePresetMessage, timing.readyLimit, nullptr);
        ready.failed())
        return ready;

    proxy->sendMidiMessage(OrmelMidiMessages::presetNameBeginMessage);
    for (const auto character : PresetFileName::decode(stem))
        proxy->sendMidiMessage(OrmelMidiMessages::nameCharacter(static_cast<std::uint8_t>(character)));
    proxy->sendMidiMessage(OrmelMidiMessages::presetNameEndMessage);
    proxy->sendMidiMessage(OrmelMidiMessages::selectUserBankMessage);
    proxy->sendMidiMessage(OrmelMidiMessages::selectUserSubBankMessage);
    proxy->sendMidiMessage(OrmelMidiMessages::storeCommand(group, slot));

    const auto memorySlot = group * OrmelMidiMessages::slotsPerGroup + slot;
    spdlog::info("Saved preset {} in memory slot {}.", stem, memorySlot);
    return pause(timing.uploadPause);
}
