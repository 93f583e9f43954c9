#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

// The back-up snapshot of the instrument's persistent data: where the
// snapshot folders lie, the back-up's CSV and log files, and the SysEx
// requests whose answers fill them. Each request carries callbacks that own
// copies of what they need, so they outlive this object.
class TaveloPersistentData
{
public:
    using ReplyCallback = std::function<void(juce::String const&)>;
    using SendFunction =
        std::function<void(juce::MidiMessage const&, std::function<void()> const&, ReplyCallback const&)>;

    // onWriteError hears of an answer that could not be appended to its file.
    TaveloPersistentData(juce::File folder, SendFunction send,
                         std::function<void(juce::String const&)> onError,
                         std::function<void(juce::String const&)> onWriteError = {});

    // On Linux $XDG_DATA_HOME/TaveloUpdater/deviceBackUp (default
    // ~/.local/share/...); elsewhere the user's application data folder,
    // "Application Support", "TaveloUpdater", "deviceBackUp". Built once, not
    // created here.
    static juce::File getPersistentDataFolder();
    // "Old" in the persistent data folder; built once, not created here.
    static juce::File getLegacySnapshotsFolder();
    // Moves the existing snapshot folders into "Old" and gives the new
    // (not yet created) snapshot folder, or an empty File when "Old" cannot
    // be made.
    static juce::File prepareNewPersistentDataFolder();
    // The only snapshot folder, the first listed of several, or an empty File.
    static juce::File getLastSnapshotFolder();
    static juce::Result removeFile(juce::File const& file);
    static std::vector<std::uint8_t> getKeys(std::string_view colour);

    // "TaveloSnapShot_" and the local time in compact ISO-8601 with its UTC
    // offset ("Z" at UTC).
    static juce::String snapshotFolderName(juce::Time time);
    // "### Tavelo Logs ###\nDownloaded on 5 Dec 2026 5:27:06pm\n"
    static juce::String logHeader(juce::Time time);

    juce::Result writePositionCalibration(juce::File const& file, std::string_view colour);
    juce::Result writeTouchCalibration(juce::File const& file);
    juce::Result writeTaveloLogs(juce::File const& file);

private:
    using WriteErrorCallback = std::function<void(juce::String const&)>;

    static ReplyCallback onPositionCalibrationReply(juce::File file, WriteErrorCallback onWriteError);
    static std::function<void()> onPositionCalibrationTimeout(std::function<void(juce::String)> onError,
                                                              int key);
    static ReplyCallback onTouchCalibrationReply(juce::File file, WriteErrorCallback onWriteError);
    static std::function<void()> onTouchCalibrationTimeout(std::function<void(juce::String)> onError);
    static ReplyCallback onLogReply(juce::File file, WriteErrorCallback onWriteError);
    static std::function<void()> onLogTimeout(std::function<void(juce::String)> onError, std::string name);

    juce::File folder;
    SendFunction send;
    std::function<void(juce::String)> onError;
    WriteErrorCallback onWriteError;
};
