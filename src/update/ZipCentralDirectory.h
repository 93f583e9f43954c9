#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The archive's own record of each entry, read from its central directory:
// JUCE's zip reader keeps neither the CRC-32 nor the compression method, so
// it cannot tell a damaged entry from a sound one.
class ZipCentralDirectory
{
public:
    struct Record
    {
        std::string name;
        uint16_t method = 0;
        uint32_t crc = 0;
        uint32_t compressedSize = 0;
        uint32_t uncompressedSize = 0;
    };

    // Empty when the stream holds no complete directory: not a zip, an
    // empty file, or one cut short.
    static std::optional<std::vector<Record>> read(juce::InputStream& stream);
};
