#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Answers of the instrument, byte for byte, built independently of the
// parser. Free of the framework so that the fuzzer's seed writer can use them.
namespace sysexsamples
{
using Bytes = std::vector<std::uint8_t>;

// F0 00 6B 2D, the given bytes (command first), F7.
Bytes quarnel(std::initializer_list<std::uint8_t> body);
Bytes quarnel(const Bytes& body);

Bytes unsigned14(int value);
Bytes signed7(int value);
Bytes signed21(int value);

Bytes infoAnswer(std::uint8_t type, const std::string& text);

struct TestEntry
{
    int instruction;
    int timeout;
    int result;
};
Bytes testLogAnswer(int testId, const std::vector<TestEntry>& entries);
Bytes testLogWithoutCount(int testId);

// press, aftertouch, left, right: three numbers each
using TouchRows = std::array<int, 12>;
Bytes touchAnswer(const std::vector<TouchRows>& blocks);
// Block i carries key byte keys[i].
Bytes touchAnswerWithKeys(const std::vector<TouchRows>& blocks, const std::vector<int>& keys);
// Numbers that differ per key, row and column, signs mixed.
TouchRows sampleTouchRows(int key);

struct KeyEntry
{
    int grid;
    int vertical; // signed 7-bit
    std::array<int, 3> numbers;
};
Bytes keyPositionAnswer(int key, const std::vector<KeyEntry>& entries);

// One valid answer of each kind, and a few edge ones: the fuzzer's seeds.
std::vector<Bytes> validAnswers();
} // namespace sysexsamples
