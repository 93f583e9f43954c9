#include "midiUsb/SysExRequests.h"
#include "midiUsb/SysExFactory.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
using midiUsb::DataRequestType;
using midiUsb::InfoRequestType;
using midiUsb::SysExFactory;
using midiUsb::SysExRequests;

std::vector<int> bytesOf(const juce::MidiMessage& message)
{
    return std::vector<int>(message.getRawData(), message.getRawData() + message.getRawDataSize());
}

TEST(SysExRequests, EveryMessageByteForByte)
{
    struct Row
    {
        const char* name;
        juce::MidiMessage message;
        std::vector<int> bytes;
    };
    const Row rows[] = {
        {"firmware version",
         SysExRequests::infoRequest(InfoRequestType::firmwareVersion),
         {0xF0, 0x00, 0x6B, 0x2D, 0x0C, 0x04, 0xF7}},
        {"sound-engine version",
         SysExRequests::infoRequest(InfoRequestType::ormelVersion),
         {0xF0, 0x00, 0x6B, 0x2D, 0x0C, 0x06, 0xF7}},
        {"serial number",
         SysExRequests::infoRequest(InfoRequestType::serialNumber),
         {0xF0, 0x00, 0x6B, 0x2D, 0x0C, 0x02, 0xF7}},
        {"test log 13", SysExRequests::testLogRequest(13), {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x01, 0x0D, 0xF7}},
        {"test log 1",
         SysExRequests::dataRequest(DataRequestType::testLog, 1),
         {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x01, 0x01, 0xF7}},
        {"touch calibration",
         SysExRequests::touchCalibrationRequest(),
         {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x01, 0xF7}},
        {"touch calibration ignores its argument",
         SysExRequests::dataRequest(DataRequestType::touchCalibration, 9),
         {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x01, 0xF7}},
        {"key position 0",
         SysExRequests::keyPositionCalibrationRequest(0),
         {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x02, 0x00, 0xF7}},
        {"key position 48",
         SysExRequests::keyPositionCalibrationRequest(48),
         {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x02, 0x30, 0xF7}},
        {"key kept to 7 bits",
         SysExRequests::keyPositionCalibrationRequest(0xF7),
         {0xF0, 0x00, 0x6B, 0x2D, 0x06, 0x04, 0x02, 0x77, 0xF7}},
        {"firmware update mode", SysExRequests::firmwareUpdateMode(), {0xF0, 0x00, 0x6B, 0x2D, 0x08, 0xF7}},
        {"sound-engine update mode",
         SysExRequests::soundEngineUpdateMode(),
         {0xF0, 0x00, 0x6B, 0x2D, 0x08, 0x01, 0x00, 0xF7}},
        {"configure, first",
         SysExRequests::configureFirst(),
         {0xF0, 0x00, 0x6B, 0x2D, 0x0E, 0x0F, 0x00, 0x01, 0x01, 0xF7}},
        {"configure, second",
         SysExRequests::configureSecond(),
         {0xF0, 0x00, 0x6B, 0x2D, 0x0E, 0x0E, 0x00, 0x01, 0x01, 0xF7}},
        {"factory set-up",
         SysExRequests::factorySetup(),
         {0xF0, 0x00, 0x6B, 0x2D, 0x1C, 0x20, 0x0A, 0x7E, 0x04, 0x37, 0xF7}},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(bytesOf(row.message), row.bytes) << row.name;
        EXPECT_TRUE(row.message.isSysEx()) << row.name;
    }
}

TEST(SysExFactory, TablesHoldTheirRowsAndNoOthers)
{
    EXPECT_EQ(SysExFactory::status.size(), 3u);
    EXPECT_EQ(SysExFactory::testIDs.size(), 13u);
    EXPECT_EQ(SysExFactory::instructionIDs.size(), 76u);

    EXPECT_EQ(SysExFactory::find(SysExFactory::status, 2), "Test not found");
    EXPECT_EQ(SysExFactory::find(SysExFactory::testIDs, 8), "Check 49 sensors");
    EXPECT_EQ(SysExFactory::find(SysExFactory::instructionIDs, 111), "Checking ormel board connection");
    EXPECT_EQ(SysExFactory::find(SysExFactory::instructionIDs, 816), "all oct/pres button LED on");
    EXPECT_EQ(SysExFactory::find(SysExFactory::instructionIDs, 902), "audio test lauch preset");
    EXPECT_EQ(SysExFactory::find(SysExFactory::instructionIDs, 818), "rectangle on screen looks white");

    EXPECT_FALSE(SysExFactory::find(SysExFactory::instructionIDs, 602));
    EXPECT_FALSE(SysExFactory::find(SysExFactory::instructionIDs, 603));
    EXPECT_FALSE(SysExFactory::find(SysExFactory::testIDs, 0));
    EXPECT_FALSE(SysExFactory::find(SysExFactory::testIDs, 14));
    EXPECT_FALSE(SysExFactory::find(SysExFactory::status, 3));
}

TEST(SysExFactory, TestIdsAreWalkedFrom13DownTo1)
{
    std::vector<unsigned int> order;
    for (const auto& [id, name] : SysExFactory::testIDs)
        order.push_back(id);
    EXPECT_EQ(order, (std::vector<unsigned int>{13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(SysExFactory::testIDs.begin()->second, "Grouped LED");
}
} // namespace
