// Writes the fuzzer's seeds into the folder given: every valid answer, and
// its truncations with and without their F7 (of the long ones, a sample).
#include "SysExAnswerSamples.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{
void write(const std::filesystem::path& folder, const std::string& name, const sysexsamples::Bytes& bytes)
{
    std::ofstream file(folder / name, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    std::filesystem::create_directories(folder);

    int count = 0;
    int index = 0;
    for (const auto& whole : sysexsamples::validAnswers())
    {
        const auto prefix = "answer" + std::to_string(index++);
        write(folder, prefix, whole);
        ++count;

        const auto step = whole.size() > 64 ? whole.size() / 24 : 1;
        for (std::size_t length = 0; length < whole.size(); length += step)
        {
            sysexsamples::Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            write(folder, prefix + "-cut" + std::to_string(length), cut);
            cut.push_back(0xF7);
            write(folder, prefix + "-cut" + std::to_string(length) + "-f7", cut);
            count += 2;
        }
    }
    std::printf("%d seeds written to %s\n", count, folder.string().c_str());
    return 0;
}
