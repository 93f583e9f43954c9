#include "midiUsb/SysExRequests.h"

#include <gtest/gtest.h>

namespace
{
using midiUsb::InfoRequestType;
using midiUsb::SysExRequests;

juce::String hexOf(const juce::MidiMessage& message)
{
    return juce::String::toHexString(message.getRawData(), message.getRawDataSize()).toUpperCase();
}

TEST(SysExRequests, EveryMessageByteForByte)
{
    const std::pair<juce::MidiMessage, const char*> rows[] = {
        {SysExRequests::infoRequest(InfoRequestType::firmwareVersion), "F0 00 6B 2D 0C 04 F7"},
        {SysExRequests::infoRequest(InfoRequestType::ormelVersion), "F0 00 6B 2D 0C 06 F7"},
        {SysExRequests::infoRequest(InfoRequestType::serialNumber), "F0 00 6B 2D 0C 02 F7"},
        {SysExRequests::testLogRequest(13), "F0 00 6B 2D 06 01 0D F7"},
        {SysExRequests::touchCalibrationRequest(), "F0 00 6B 2D 06 04 01 F7"},
        {SysExRequests::keyPositionCalibrationRequest(48), "F0 00 6B 2D 06 04 02 30 F7"},
        {SysExRequests::keyPositionCalibrationRequest(0xF7), "F0 00 6B 2D 06 04 02 77 F7"},
        {SysExRequests::firmwareUpdateMode(), "F0 00 6B 2D 08 F7"},
        {SysExRequests::soundEngineUpdateMode(), "F0 00 6B 2D 08 01 00 F7"},
        {SysExRequests::configureFirst(), "F0 00 6B 2D 0E 0F 00 01 01 F7"},
        {SysExRequests::configureSecond(), "F0 00 6B 2D 0E 0E 00 01 01 F7"},
        {SysExRequests::factorySetup(), "F0 00 6B 2D 1C 20 0A 7E 04 37 F7"},
    };
    for (const auto& [message, bytes] : rows)
        EXPECT_EQ(hexOf(message), bytes);
}
} // namespace
