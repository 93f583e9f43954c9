#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace updatetest
{
// An archive entry as any zip tool could write it, also the ones that
// JUCE's own builder cannot: links, folders, odd names.
struct ZipEntry
{
    std::string name;
    std::string content;
    // Unix type and permission bits: 0100644 a file, 0120777 a link (its
    // content the target), 040755 a folder.
    uint32_t mode = 0100644;
};

// Stored, uncompressed entries.
void writeZip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries);
} // namespace updatetest
