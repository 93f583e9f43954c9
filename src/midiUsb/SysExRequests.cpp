#include "midiUsb/SysExRequests.h"

#include <initializer_list>
#include <vector>

namespace midiUsb
{
namespace
{
juce::MidiMessage makeMessage(SysExCommand command, std::initializer_list<std::uint8_t> subCodes)
{
    std::vector<std::uint8_t> bytes{SysExFraming::start};
    bytes.insert(bytes.end(), std::begin(SysExFraming::manufacturerId),
                 std::end(SysExFraming::manufacturerId));
    bytes.push_back(static_cast<std::uint8_t>(command));
    bytes.insert(bytes.end(), subCodes);
    bytes.push_back(SysExFraming::end);
    return juce::MidiMessage(bytes.data(), static_cast<int>(bytes.size()));
}

std::uint8_t sevenBits(int value)
{
    return static_cast<std::uint8_t>(value & 0x7F);
}
} // namespace

juce::MidiMessage SysExRequests::infoRequest(InfoRequestType type)
{
    return makeMessage(SysExCommand::infoRequest, {static_cast<std::uint8_t>(type)});
}

juce::MidiMessage SysExRequests::dataRequest(DataRequestType type, int testIdOrKey)
{
    switch (type)
    {
    case DataRequestType::testLog:
        return makeMessage(SysExCommand::dataRequest, {SysExSubCode::testLog, sevenBits(testIdOrKey)});
    case DataRequestType::touchCalibration:
        return makeMessage(SysExCommand::dataRequest,
                           {SysExSubCode::calibration, SysExSubCode::touchCalibration});
    case DataRequestType::keyPositionCalibration:
        break;
    }
    return makeMessage(
        SysExCommand::dataRequest,
        {SysExSubCode::calibration, SysExSubCode::keyPositionCalibration, sevenBits(testIdOrKey)});
}

juce::MidiMessage SysExRequests::firmwareUpdateMode()
{
    return makeMessage(SysExCommand::enterUpdateMode, {});
}

juce::MidiMessage SysExRequests::soundEngineUpdateMode()
{
    return makeMessage(SysExCommand::enterUpdateMode, {0x01, 0x00});
}

juce::MidiMessage SysExRequests::configureFirst()
{
    return makeMessage(SysExCommand::configure, {0x0F, 0x00, 0x01, 0x01});
}

juce::MidiMessage SysExRequests::configureSecond()
{
    return makeMessage(SysExCommand::configure, {0x0E, 0x00, 0x01, 0x01});
}

juce::MidiMessage SysExRequests::factorySetup()
{
    return makeMessage(SysExCommand::factorySetup, {0x20, 0x0A, 0x7E, 0x04, 0x37});
}
} // namespace midiUsb
