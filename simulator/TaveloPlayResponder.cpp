#include "TaveloPlayResponder.h"

#include <algorithm>

namespace simulator
{
namespace
{
constexpr std::uint8_t dataRequest = 0x06;
constexpr std::uint8_t infoRequest = 0x0C;
constexpr std::uint8_t firmwareVersion = 0x04;
constexpr std::uint8_t ormelVersion = 0x06;
constexpr std::uint8_t serialNumber = 0x02;
constexpr std::uint8_t testLog = 0x01;
constexpr std::uint8_t calibration = 0x04;
constexpr std::uint8_t touchCalibration = 0x01;
constexpr std::uint8_t keyPositionCalibration = 0x02;

bool isOurs(const SysExAnswerBuilder::Bytes& request)
{
    return request.size() >= 6 && request.front() == 0xF0 && request.back() == 0xF7 &&
           std::equal(std::begin(SysExAnswerBuilder::manufacturer),
                      std::end(SysExAnswerBuilder::manufacturer), request.begin() + 1);
}

std::optional<SysExAnswerBuilder::Bytes> answerInfo(std::uint8_t type, const InstrumentData& data)
{
    switch (type)
    {
    case firmwareVersion:
        return SysExAnswerBuilder::infoAnswer(type, data.firmwareVersion);
    case ormelVersion:
        return SysExAnswerBuilder::infoAnswer(type, data.ormelVersion);
    case serialNumber:
        return SysExAnswerBuilder::infoAnswer(type, data.serialNumber);
    default:
        return std::nullopt;
    }
}

std::optional<SysExAnswerBuilder::Bytes> answerTestLog(int testId, const InstrumentData& data)
{
    const auto log = data.testLogs.find(testId);
    if (log == data.testLogs.end() || !log->second)
        return SysExAnswerBuilder::testLogWithoutResult(testId);
    return SysExAnswerBuilder::testLogAnswer(testId, *log->second);
}

std::optional<SysExAnswerBuilder::Bytes> answerKeyPosition(int key, const InstrumentData& data)
{
    const auto grid = data.keyPositions.find(key);
    if (grid == data.keyPositions.end())
        return SysExAnswerBuilder::keyPositionAnswer(key, {});
    return SysExAnswerBuilder::keyPositionAnswer(key, grid->second);
}
} // namespace

std::optional<TaveloPlayResponder::Bytes> TaveloPlayResponder::answer(const Bytes& request,
                                                                      const InstrumentData& data)
{
    if (!isOurs(request))
        return std::nullopt;

    // Offsets count from F0; the last byte is F7.
    const auto command = request[4];
    const auto size = request.size();
    if (command == infoRequest && size == 7)
        return answerInfo(request[5], data);

    if (command != dataRequest)
        return std::nullopt;
    if (size == 8 && request[5] == testLog)
        return answerTestLog(request[6], data);
    if (size == 8 && request[5] == calibration && request[6] == touchCalibration)
        return SysExAnswerBuilder::touchCalibrationAnswer(data.touchCalibration);
    if (size == 9 && request[5] == calibration && request[6] == keyPositionCalibration)
        return answerKeyPosition(request[7], data);
    return std::nullopt;
}

std::vector<TaveloPlayResponder::Bytes> TaveloPlayResponder::spoil(const Bytes& answer,
                                                                   Misbehaviour misbehaviour)
{
    switch (misbehaviour)
    {
    case Misbehaviour::silent:
        return {};
    case Misbehaviour::wrongSubCodes:
    {
        // Offset 6 carries the info marker, the second sub-code or the test
        // id: changed, it names another request.
        auto wrong = answer;
        wrong[6] = static_cast<std::uint8_t>((wrong[6] + 1) & 0x7F);
        return {wrong};
    }
    case Misbehaviour::emptyResult:
    {
        const std::size_t echo = answer.size() > 6 && answer[5] == 0x04 && answer[6] == 0x02 ? 8 : 7;
        Bytes empty(answer.begin(), answer.begin() + static_cast<long>(std::min(echo, answer.size() - 1)));
        empty.push_back(0x01);
        empty.push_back(0xF7);
        return {empty};
    }
    case Misbehaviour::none:
    case Misbehaviour::late:
        break;
    }
    return {answer};
}
} // namespace simulator
