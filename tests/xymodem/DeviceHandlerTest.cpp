#include "ControlBytes.h"
#include "support/ScriptedDevice.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace xymodemtest;

TEST(DeviceHandler, KeepsEveryByteUntilItIsTakenInOrder)
{
    ScriptedDevice device([](const Bytes&) { return std::vector<Bytes>{}; });
    device.arrive({{xymodem::ACK, xymodem::CRC_REQUEST}, {xymodem::NAK}});

    device.readAll();
    EXPECT_EQ(device.getInputBufferSize(), 2u);
    EXPECT_EQ(device.showBuffer(), "    6   67");
    // A second read adds to what is still there.
    device.readAll();
    EXPECT_EQ(device.showBuffer(), "    6   67   21");
    EXPECT_EQ(device.readNextByte(), xymodem::ACK);
    EXPECT_EQ(device.getInputBufferFront(), xymodem::CRC_REQUEST);
    EXPECT_EQ(device.readNextByte(), xymodem::CRC_REQUEST);
    EXPECT_EQ(device.readNextByte(), xymodem::NAK);
    EXPECT_TRUE(device.isInputBufferEmpty());
    EXPECT_THROW(device.readNextByte(), std::out_of_range);

    device.readAll();
    EXPECT_TRUE(device.isInputBufferEmpty());
}

TEST(DeviceHandler, FlushingDropsBothTheLocalAndTheDeviceBytes)
{
    ScriptedDevice device([](const Bytes&) { return std::vector<Bytes>{}; });
    device.arrive({{1, 2}, {3}});
    device.readAll();
    device.flushAllInputBuffers();
    EXPECT_TRUE(device.isInputBufferEmpty());
    EXPECT_EQ(device.available(), 0u);
}
