#include "SysExAnswerSamples.h"

#include <cstdlib>

namespace sysexsamples
{
namespace
{
void append(Bytes& to, const Bytes& bytes)
{
    to.insert(to.end(), bytes.begin(), bytes.end());
}

std::uint8_t sign(int value)
{
    return value < 0 ? 0x01 : 0x00;
}
} // namespace

Bytes quarnel(const Bytes& body)
{
    Bytes message{0xF0, 0x00, 0x6B, 0x2D};
    append(message, body);
    message.push_back(0xF7);
    return message;
}

Bytes quarnel(std::initializer_list<std::uint8_t> body)
{
    return quarnel(Bytes(body));
}

Bytes unsigned14(int value)
{
    return {static_cast<std::uint8_t>(value / 128), static_cast<std::uint8_t>(value % 128)};
}

Bytes signed7(int value)
{
    return {sign(value), static_cast<std::uint8_t>(std::abs(value))};
}

Bytes signed21(int value)
{
    const auto magnitude = std::abs(value);
    return {sign(value), static_cast<std::uint8_t>(magnitude / 16384),
            static_cast<std::uint8_t>(magnitude / 128 % 128), static_cast<std::uint8_t>(magnitude % 128)};
}

Bytes infoAnswer(std::uint8_t type, const std::string& text)
{
    Bytes body{0x0D, type, 0x05, 0x00};
    body.insert(body.end(), text.begin(), text.end());
    return quarnel(body);
}

Bytes testLogAnswer(int testId, const std::vector<TestEntry>& entries)
{
    Bytes body{0x07, 0x01, static_cast<std::uint8_t>(testId), static_cast<std::uint8_t>(entries.size())};
    for (const auto& entry : entries)
    {
        append(body, unsigned14(entry.instruction));
        append(body, unsigned14(entry.timeout));
        body.push_back(static_cast<std::uint8_t>(entry.result));
    }
    return quarnel(body);
}

Bytes testLogWithoutCount(int testId)
{
    return quarnel({0x07, 0x01, static_cast<std::uint8_t>(testId)});
}

Bytes touchAnswerWithKeys(const std::vector<TouchRows>& blocks, const std::vector<int>& keys)
{
    Bytes body{0x07, 0x04, 0x01, static_cast<std::uint8_t>(blocks.size())};
    for (std::size_t i = 0; i < blocks.size(); ++i)
    {
        body.push_back(static_cast<std::uint8_t>(keys[i]));
        for (const auto number : blocks[i])
            append(body, signed21(number));
    }
    return quarnel(body);
}

Bytes touchAnswer(const std::vector<TouchRows>& blocks)
{
    std::vector<int> keys;
    for (std::size_t i = 0; i < blocks.size(); ++i)
        keys.push_back(static_cast<int>(i));
    return touchAnswerWithKeys(blocks, keys);
}

TouchRows sampleTouchRows(int key)
{
    TouchRows rows{};
    for (int i = 0; i < 12; ++i)
    {
        const auto magnitude = key * 40000 + i * 1237;
        rows[static_cast<std::size_t>(i)] = (key + i) % 3 == 0 ? -magnitude : magnitude;
    }
    return rows;
}

Bytes keyPositionAnswer(int key, const std::vector<KeyEntry>& entries)
{
    Bytes body{0x07, 0x04, 0x02, static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(entries.size())};
    for (const auto& entry : entries)
    {
        body.push_back(static_cast<std::uint8_t>(entry.grid));
        append(body, signed7(entry.vertical));
        for (const auto number : entry.numbers)
            append(body, signed21(number));
    }
    return quarnel(body);
}

std::vector<Bytes> validAnswers()
{
    std::vector<TouchRows> allKeys;
    for (int key = 0; key < 49; ++key)
        allKeys.push_back(sampleTouchRows(key));

    return {
        infoAnswer(0x04, "1.4.2"),
        infoAnswer(0x06, "2.0.7-factory"),
        infoAnswer(0x02, "TV-000123"),
        quarnel({0x0D, 0x04, 0x05, 0x00}),
        quarnel({0x0D, 0x04, 0x06, 0x00}),
        quarnel({0x11, 0x04}),
        quarnel({0x11, 0x05}),
        testLogWithoutCount(5),
        testLogAnswer(5, {}),
        testLogAnswer(13, {{405, 10, 1}, {4, 16383, 0}, {907, 3, 2}}),
        testLogAnswer(14, {{602, 1, 3}}),
        touchAnswer({}),
        touchAnswer({sampleTouchRows(0), sampleTouchRows(1)}),
        touchAnswer(allKeys),
        keyPositionAnswer(12, {}),
        keyPositionAnswer(12, {{0, -5, {120, -5, 0}}, {7, 3, {2097151, -2097151, 16384}}}),
        quarnel({0x07, 0x02, 0x01}),
        quarnel({0x20, 0x01}),
        Bytes{0xF0, 0x00, 0x20, 0x29, 0x0D, 0x04, 0x05, 0x00, 0x41, 0xF7},
        Bytes{0x90, 0x3C, 0x64},
    };
}
} // namespace sysexsamples
