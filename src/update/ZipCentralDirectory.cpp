#include "update/ZipCentralDirectory.h"

#include <algorithm>

namespace
{
constexpr uint32_t endSignature = 0x06054b50;
constexpr uint32_t entrySignature = 0x02014b50;
constexpr size_t endSize = 22;
constexpr size_t entrySize = 46;
constexpr size_t longestComment = 0xFFFF;
// Far above the directory of any archive of two images, far below memory.
constexpr uint32_t largestDirectory = 16 * 1024 * 1024;

using Bytes = std::vector<uint8_t>;

uint32_t le16(const Bytes& bytes, size_t at)
{
    return static_cast<uint32_t>(bytes[at] | (bytes[at + 1] << 8));
}

uint32_t le32(const Bytes& bytes, size_t at)
{
    return le16(bytes, at) | (le16(bytes, at + 2) << 16);
}

std::optional<Bytes> readAt(juce::InputStream& stream, juce::int64 position, size_t size)
{
    Bytes bytes(size);
    if (!stream.setPosition(position) ||
        stream.read(bytes.data(), static_cast<int>(size)) != static_cast<int>(size))
        return std::nullopt;
    return bytes;
}

// Where JUCE's reader looks too: the last end record in the file's tail.
std::optional<size_t> findEnd(const Bytes& tail)
{
    for (auto at = tail.size() - endSize + 1; at-- > 0;)
        if (le32(tail, at) == endSignature)
            return at;
    return std::nullopt;
}

bool isEntryAt(juce::InputStream& stream, juce::int64 position)
{
    const auto bytes = readAt(stream, position, 4);
    return bytes && le32(*bytes, 0) == entrySignature;
}
} // namespace

std::optional<std::vector<ZipCentralDirectory::Record>> ZipCentralDirectory::read(juce::InputStream& stream)
{
    const auto total = stream.getTotalLength();
    if (total < static_cast<juce::int64>(endSize))
        return std::nullopt;
    const auto tailStart =
        std::max<juce::int64>(0, total - static_cast<juce::int64>(endSize + longestComment));
    const auto tail = readAt(stream, tailStart, static_cast<size_t>(total - tailStart));
    const auto end = tail ? findEnd(*tail) : std::nullopt;
    if (!end)
        return std::nullopt;

    const auto count = le16(*tail, *end + 10);
    const auto size = le32(*tail, *end + 12);
    juce::int64 offset = le32(*tail, *end + 16);
    // The same allowance JUCE makes for writers whose offset points past
    // the directory's first signature.
    if (offset >= 4 && !isEntryAt(stream, offset) && isEntryAt(stream, offset - 4))
        offset -= 4;
    if (size > largestDirectory || offset + size > tailStart + static_cast<juce::int64>(*end))
        return std::nullopt;
    const auto directory = readAt(stream, offset, size);
    if (!directory)
        return std::nullopt;

    std::vector<Record> records;
    size_t at = 0;
    for (uint32_t i = 0; i < count; ++i)
    {
        if (at + entrySize > directory->size() || le32(*directory, at) != entrySignature)
            return std::nullopt;
        const auto nameSize = le16(*directory, at + 28);
        if (at + entrySize + nameSize > directory->size())
            return std::nullopt;
        Record record;
        record.method = static_cast<uint16_t>(le16(*directory, at + 10));
        record.crc = le32(*directory, at + 16);
        record.compressedSize = le32(*directory, at + 20);
        record.uncompressedSize = le32(*directory, at + 24);
        const auto* name = directory->data() + at + entrySize;
        record.name.assign(name, name + nameSize);
        records.push_back(std::move(record));
        at += entrySize + nameSize + le16(*directory, at + 30) + le16(*directory, at + 32);
    }
    return records;
}
