#include "ZipWriter.h"

#include <zlib.h>

#include <fstream>
#include <stdexcept>

namespace updatetest
{
namespace
{
uint32_t crc32(const std::string& data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (const unsigned char byte : data)
    {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string deflate(const std::string& data)
{
    z_stream stream{};
    // Raw deflate, as zip entries hold it.
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const auto result = ::deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw std::runtime_error("deflate");
    return out;
}

class Bytes
{
public:
    Bytes& u16(uint32_t value) { return put(value, 2); }
    Bytes& u32(uint32_t value) { return put(value, 4); }
    Bytes& text(const std::string& value)
    {
        data += value;
        return *this;
    }
    std::string data;

private:
    Bytes& put(uint32_t value, int count)
    {
        for (int i = 0; i < count; ++i)
            data += static_cast<char>((value >> (8 * i)) & 0xFF);
        return *this;
    }
};
} // namespace

std::string zipBytes(const std::vector<ZipEntry>& entries)
{
    Bytes local, central;
    constexpr uint32_t date = 0x21; // 1980-01-01
    for (const auto& entry : entries)
    {
        const auto crc = crc32(entry.content);
        const auto size = entry.recordedSize.value_or(static_cast<uint32_t>(entry.content.size()));
        auto data = entry.deflated ? deflate(entry.content) : entry.content;
        const auto method = entry.deflated ? 8u : 0u;
        if (entry.damage)
            entry.damage(data);
        const auto stored = static_cast<uint32_t>(data.size());
        const auto nameSize = static_cast<uint32_t>(entry.name.size());
        const auto offset = static_cast<uint32_t>(local.data.size());
        local.u32(0x04034b50).u16(20).u16(0).u16(method).u16(0).u16(date).u32(crc).u32(stored).u32(size);
        local.u16(nameSize).u16(0).text(entry.name).text(data);
        // Made by a Unix tool (3), so the mode sits in the upper 16 bits.
        central.u32(0x02014b50)
            .u16(0x031E)
            .u16(20)
            .u16(0)
            .u16(method)
            .u16(0)
            .u16(date)
            .u32(crc)
            .u32(stored)
            .u32(size);
        central.u16(nameSize).u16(0).u16(0).u16(0).u16(0).u32(entry.mode << 16).u32(offset).text(entry.name);
    }
    Bytes end;
    const auto count = static_cast<uint32_t>(entries.size());
    end.u32(0x06054b50).u16(0).u16(0).u16(count).u16(count);
    end.u32(static_cast<uint32_t>(central.data.size())).u32(static_cast<uint32_t>(local.data.size())).u16(0);
    return local.data + central.data + end.data;
}

void writeZip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << zipBytes(entries);
}
} // namespace updatetest
