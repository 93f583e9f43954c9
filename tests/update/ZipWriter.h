#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace updatetest
{
// An archive entry as any zip tool could write it, also the ones that
// JUCE's own builder cannot: links, folders, odd names, damaged data.
struct ZipEntry
{
    std::string name;
    std::string content;
    // Unix type and permission bits: 0100644 a file, 0120777 a link (its
    // content the target), 040755 a folder.
    uint32_t mode = 0100644;
    bool deflated = false;
    // The size both headers record when it is not the content's: a lying entry.
    std::optional<uint32_t> recordedSize = std::nullopt;
    // Done to the entry's data as stored (compressed or not) after its CRC
    // and sizes were recorded: damage on the way.
    std::function<void(std::string&)> damage = {};
};

std::string zipBytes(const std::vector<ZipEntry>& entries);
void writeZip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries);
} // namespace updatetest
