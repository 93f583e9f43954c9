// Writes the fuzzer's seeds into the folder given: answers of every kind, a few
// edge ones, and their truncations with and without F7 (of the long ones, a sample).
#include "InstrumentData.h"
#include "SysExAnswerBuilder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{
using simulator::SysExAnswerBuilder;
using Bytes = SysExAnswerBuilder::Bytes;

void write(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes)
{
    std::ofstream file(folder / name, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<Bytes> answers()
{
    const auto data = simulator::InstrumentData::makeTypical();
    return {
        SysExAnswerBuilder::infoAnswer(0x04, "1.4.2"),
        SysExAnswerBuilder::frame(0x0D, {0x04, 0x06, 0x00}),
        SysExAnswerBuilder::frame(0x11, {0x04}),
        SysExAnswerBuilder::testLogWithoutResult(5),
        SysExAnswerBuilder::testLogAnswer(1, *data.testLogs.at(1)),
        SysExAnswerBuilder::testLogAnswer(14, {{602, 1, 3}}),
        SysExAnswerBuilder::touchCalibrationAnswer(data.touchCalibration),
        SysExAnswerBuilder::keyPositionAnswer(12, data.keyPositions.at(12)),
        SysExAnswerBuilder::frame(0x07, {0x02, 0x01}),
        Bytes{0xF0, 0x00, 0x20, 0x29, 0x0D, 0x04, 0x05, 0x00, 0x41, 0xF7},
        Bytes{0x90, 0x3C, 0x64},
    };
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]), 2;
    const std::filesystem::path folder(argv[1]);
    std::filesystem::create_directories(folder);
    int count = 0;
    for (const auto& whole : answers())
    {
        const auto prefix = "answer" + std::to_string(count);
        const auto step = whole.size() > 64 ? whole.size() / 24 : 1;
        for (std::size_t dropped = 0; dropped <= whole.size(); dropped += step)
        {
            const auto length = whole.size() - dropped;
            Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            write(folder, prefix + "-" + std::to_string(length), cut);
            cut.push_back(0xF7);
            write(folder, prefix + "-" + std::to_string(length) + "-f7", cut);
            count += 2;
        }
    }
    std::printf("%d seeds written to %s\n", count, folder.string().c_str());
    return 0;
}
