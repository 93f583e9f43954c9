#include "TaveloPlayResponder.h"

#include <algorithm>

namespace simulator
{
std::optional<TaveloPlayResponder::Bytes> TaveloPlayResponder::answer(const Bytes& request,
                                                                      const InstrumentData& data)
{
    using B = SysExAnswerBuilder;
    // F0, manufacturer, command, sub-codes, F7.
    if (request.size() < 7 || request.front() != 0xF0 || request.back() != 0xF7 ||
        !std::equal(std::begin(B::manufacturer), std::end(B::manufacturer), request.begin() + 1))
        return std::nullopt;

    const auto command = request[4];
    const auto size = request.size();
    if (command == 0x0C && size == 7) // info request: 04 firmware, 06 sound engine, 02 serial number
    {
        const std::map<int, juce::String> texts{
            {0x04, data.firmwareVersion}, {0x06, data.ormelVersion}, {0x02, data.serialNumber}};
        const auto text = texts.find(request[5]);
        return text == texts.end() ? std::nullopt : std::optional(B::infoAnswer(request[5], text->second));
    }
    if (command != 0x06) // data request: 01 test log, 04 01 touch, 04 02 key position
        return std::nullopt;
    if (size == 8 && request[5] == 0x01)
    {
        const auto log = data.testLogs.find(request[6]);
        if (log == data.testLogs.end() || !log->second)
            return B::testLogWithoutResult(request[6]);
        return B::testLogAnswer(request[6], *log->second);
    }
    if (size == 8 && request[5] == 0x04 && request[6] == 0x01)
        return B::touchCalibrationAnswer(data.touchCalibration);
    if (size == 9 && request[5] == 0x04 && request[6] == 0x02)
    {
        const auto grid = data.keyPositions.find(request[7]);
        return B::keyPositionAnswer(
            request[7], grid == data.keyPositions.end() ? std::vector<B::KeyPositionEntry>{} : grid->second);
    }
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
    case Misbehaviour::cutShort:
    case Misbehaviour::garbageAfterHeader:
    {
        // The header: F0, maker, command and the sub-codes the request had.
        const std::size_t echo = answer.size() > 6 && answer[5] == 0x04 && answer[6] == 0x02 ? 8 : 7;
        Bytes spoilt(answer.begin(), answer.begin() + static_cast<long>(std::min(echo, answer.size() - 1)));
        const Bytes rest = misbehaviour == Misbehaviour::emptyResult ? Bytes{0x00}
                           : misbehaviour == Misbehaviour::cutShort  ? Bytes{0x01}
                                                                     : Bytes{0x7F, 0x3C, 0x00, 0x55, 0x12};
        spoilt.insert(spoilt.end(), rest.begin(), rest.end());
        spoilt.push_back(0xF7);
        return {spoilt};
    }
    case Misbehaviour::staleAnswerFirst:
        return {SysExAnswerBuilder::infoAnswer(answer[5] == 0x04 ? 0x02 : 0x04, staleText), answer};
    default:
        return {answer};
    }
}
} // namespace simulator
