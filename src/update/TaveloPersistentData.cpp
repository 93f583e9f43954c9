#include "update/TaveloPersistentData.h"

#include "common/FmtJuceString.h"
#include "midiUsb/SysExFactory.h"
#include "midiUsb/SysExRequests.h"

#include <spdlog/spdlog.h>

#include <array>

namespace
{
constexpr const char* snapShotPrefix = "TaveloSnapShot_";
constexpr int streamBufferSize = 16384;

juce::Result writeCSV(juce::File const& file, juce::String const& text)
{
    spdlog::info("Writing csv line to {}", file.getFullPathName());
    juce::FileOutputStream stream(file, streamBufferSize);
    if (stream.openedOk())
    {
        // Opening positions at the end, so every write appends.
        stream.write(text.toRawUTF8(), text.getNumBytesAsUTF8());
        stream.flush();
    }
    return stream.getStatus();
}

juce::Array<juce::File> listSnapshotFolders()
{
    return TaveloPersistentData::getPersistentDataFolder().findChildFiles(juce::File::findDirectories, false,
                                                                          juce::String(snapShotPrefix) + "*");
}

// Appends an answer; a failure is logged under the step's name and reported.
void appendAnswer(juce::File const& file, juce::String const& text, const char* step,
                  const std::function<void(juce::String const&)>& onWriteError)
{
    const auto written = writeCSV(file, text);
    if (written.wasOk())
        return;
    spdlog::error("{}: {}", step, written.getErrorMessage());
    if (onWriteError)
        onWriteError(written.getErrorMessage());
}
} // namespace

TaveloPersistentData::TaveloPersistentData(juce::File snapshotFolder, SendFunction sendFunction,
                                           std::function<void(juce::String const&)> errorCallback,
                                           std::function<void(juce::String const&)> writeErrorCallback)
    : folder(std::move(snapshotFolder))
    , send(std::move(sendFunction))
    , onError([callback = std::move(errorCallback)](juce::String text) { callback(text); })
    , onWriteError(std::move(writeErrorCallback))
{
}

juce::File TaveloPersistentData::getPersistentDataFolder()
{
    static const juce::File persistentDataFolder = []
    {
#if JUCE_LINUX
        // The user's data, not the settings folder the framework gives.
        const auto xdgDataHome = juce::SystemStats::getEnvironmentVariable("XDG_DATA_HOME", {});
        const auto dataHome =
            juce::File::isAbsolutePath(xdgDataHome)
                ? juce::File(xdgDataHome)
                : juce::File::getSpecialLocation(juce::File::userHomeDirectory).getChildFile(".local/share");
#else
        const auto dataHome = juce::File::getSpecialLocation(juce::File::userApplicationDataDirectory)
                                  .getChildFile("Application Support");
#endif
        return dataHome.getChildFile("TaveloUpdater").getChildFile("deviceBackUp");
    }();
    return persistentDataFolder;
}

juce::File TaveloPersistentData::getLegacySnapshotsFolder()
{
    static const juce::File legacyFolder = getPersistentDataFolder().getChildFile("Old");
    return legacyFolder;
}

juce::File TaveloPersistentData::prepareNewPersistentDataFolder()
{
    const auto snapshots = listSnapshotFolders();
    const auto legacy = getLegacySnapshotsFolder();
    if (!legacy.isDirectory() && legacy.createDirectory().failed())
    {
        spdlog::error("Could not create legacy directory.");
        return {};
    }
    for (const auto& snapshot : snapshots)
        if (!snapshot.moveFileTo(legacy.getChildFile(snapshot.getFileName())))
            spdlog::error("Could not move old Tavelo persistent data save into the old directory.");

    return getPersistentDataFolder().getChildFile(snapshotFolderName(juce::Time::getCurrentTime()));
}

juce::File TaveloPersistentData::getLastSnapshotFolder()
{
    const auto snapshots = listSnapshotFolders();
    if (snapshots.isEmpty())
    {
        spdlog::warn("No existing Tavelo snapshot.");
        return {};
    }
    if (snapshots.size() > 1)
        spdlog::warn("Several snapshot found.");
    return snapshots.getFirst();
}

juce::Result TaveloPersistentData::removeFile(juce::File const& file)
{
    if (!file.exists())
        return juce::Result::ok();
    if (file.isDirectory())
        return file.deleteRecursively()
                   ? juce::Result::ok()
                   : juce::Result::fail(fmt::format("Folder {} was already existing but could not be deleted",
                                                    file.getFullPathName()));
    return file.deleteFile()
               ? juce::Result::ok()
               : juce::Result::fail(fmt::format("File {} was already existing but could not be deleted",
                                                file.getFullPathName()));
}

std::vector<std::uint8_t> TaveloPersistentData::getKeys(std::string_view colour)
{
    static const auto allKeys = []
    {
        std::vector<std::uint8_t> keys(49);
        for (std::size_t key = 0; key < keys.size(); ++key)
            keys[key] = static_cast<std::uint8_t>(key);
        return keys;
    }();
    static const std::array<bool, 12> blackKeysPattern{false, true,  false, true,  false, false,
                                                       true,  false, true,  false, true,  false};
    if (colour != "black" && colour != "white")
    {
        spdlog::error("Keys must be either \"black \" or \" white \"");
        return {};
    }
    const bool black = colour == "black";
    std::vector<std::uint8_t> keys;
    for (const auto key : allKeys)
        if (blackKeysPattern[key % 12] == black)
            keys.push_back(key);
    return keys;
}

juce::String TaveloPersistentData::snapshotFolderName(juce::Time time)
{
    return snapShotPrefix + time.toISO8601(false);
}

juce::String TaveloPersistentData::logHeader(juce::Time time)
{
    return fmt::format("### Tavelo Logs ###\nDownloaded on {} {} {} {}:{:02}:{:02}{}\n", time.getDayOfMonth(),
                       juce::Time::getMonthName(time.getMonth(), true), time.getYear(),
                       time.getHoursInAmPmFormat(), time.getMinutes(), time.getSeconds(),
                       time.isAfternoon() ? "pm" : "am");
}

juce::Result TaveloPersistentData::writePositionCalibration(juce::File const& file, std::string_view colour)
{
    spdlog::info("Receiving Position calibration");
    if (const auto header = writeCSV(file, "Sensor,Vertical Position,Horizontal Position,X,Y,Z\n");
        header.failed())
    {
        spdlog::error("writePositionCalibration: {}", header.getErrorMessage());
        return header;
    }
    for (const auto key : getKeys(colour))
        send(midiUsb::SysExRequests::keyPositionCalibrationRequest(key),
             onPositionCalibrationTimeout(onError, key), onPositionCalibrationReply(file, onWriteError));
    return juce::Result::ok();
}

juce::Result TaveloPersistentData::writeTouchCalibration(juce::File const& file)
{
    spdlog::info("Receiving touch calibration.");
    if (const auto header = writeCSV(file, "Sensor,Position,X,Y,Z\n"); header.failed())
    {
        spdlog::error("writeTouchCalibration: {}", header.getErrorMessage());
        return header;
    }
    send(midiUsb::SysExRequests::touchCalibrationRequest(), onTouchCalibrationTimeout(onError),
         onTouchCalibrationReply(file, onWriteError));
    return juce::Result::ok();
}

juce::Result TaveloPersistentData::writeTaveloLogs(juce::File const& file)
{
    spdlog::info("Receiving Tavelo logs");
    if (const auto header = writeCSV(file, logHeader(juce::Time::getCurrentTime())); header.failed())
    {
        spdlog::error("writeTaveloLogs: {}", header.getErrorMessage());
        return header;
    }
    // The table runs from id 13 down to 1.
    for (const auto& [id, name] : midiUsb::SysExFactory::testIDs)
        send(midiUsb::SysExRequests::testLogRequest(static_cast<int>(id)),
             onLogTimeout(onError, std::string(name)), onLogReply(file, onWriteError));
    return juce::Result::ok();
}

TaveloPersistentData::ReplyCallback
TaveloPersistentData::onPositionCalibrationReply(juce::File file, WriteErrorCallback onWriteError)
{
    return [file, onWriteError](juce::String const& text)
    {
        spdlog::debug("CSV line received: \"{}\"", text);
        appendAnswer(file, text, "writePositionCalibration", onWriteError);
    };
}

std::function<void()>
TaveloPersistentData::onPositionCalibrationTimeout(std::function<void(juce::String)> onError, int key)
{
    return [onError, key]
    {
        const auto text = fmt::format("Could not get calibration of key number {}.", key);
        spdlog::error("{}", text);
        onError(text);
    };
}

TaveloPersistentData::ReplyCallback
TaveloPersistentData::onTouchCalibrationReply(juce::File file, WriteErrorCallback onWriteError)
{
    return [file, onWriteError](juce::String const& text)
    { appendAnswer(file, text, "writeTouchCalibration", onWriteError); };
}

std::function<void()>
TaveloPersistentData::onTouchCalibrationTimeout(std::function<void(juce::String)> onError)
{
    return [onError] { onError("Could not get touch calibration."); };
}

TaveloPersistentData::ReplyCallback TaveloPersistentData::onLogReply(juce::File file,
                                                                     WriteErrorCallback onWriteError)
{
    return [file, onWriteError](juce::String const& text)
    { appendAnswer(file, text, "writeTaveloLogs", onWriteError); };
}

std::function<void()> TaveloPersistentData::onLogTimeout(std::function<void(juce::String)> onError,
                                                         std::string name)
{
    return [onError, name = std::move(name)] { onError(fmt::format("Could not get log for test {}", name)); };
}
