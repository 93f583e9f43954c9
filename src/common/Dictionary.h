#pragma once

#include <string_view>

// Keys of Core::values. They are literals, so every key has static storage.
namespace Dictionary
{
inline constexpr std::string_view midiDevicesKey = "Midi Devices";
inline constexpr std::string_view selectedMidiDeviceKey = "Selected Midi Device";
inline constexpr std::string_view currentTaveloVersionKey = "Current Tavelo Version";
inline constexpr std::string_view currentPirelMatrixVersionKey = "Current Pirel Matrix Version";
inline constexpr std::string_view casingSerialNumber = "Serial Number";
inline constexpr std::string_view firmwareAbsolutePath = "Absolute path to the .sfb firmware";
inline constexpr std::string_view taveloSerialStatus = "Status of the serial connection with Tavelo";
inline constexpr std::string_view downloadCalibDir =
    "Absolute path to the dir where the calib will be downloaded";
inline constexpr std::string_view uploadCalibDir =
    "Absolute path to the dir containing the calibration to upload";
inline constexpr std::string_view firmwareLongOperation = "firmwareLongOperation";
inline constexpr std::string_view canLaunchUpdate = "Update possible.";

inline constexpr std::string_view noVersionFound = "No version found";
inline constexpr std::string_view noSerialNumber = "None";
} // namespace Dictionary
