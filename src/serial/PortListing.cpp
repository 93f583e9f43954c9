#include "PortListing.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

namespace serial
{
namespace fs = std::filesystem;

namespace
{
// Attribute texts longer than this count as missing, as do texts that are
// not plain ASCII.
constexpr std::size_t longestAttribute = 1023;
constexpr std::size_t hardwareIdBufferSize = 128;

std::string rtrim(std::string text)
{
    const auto end = text.find_last_not_of(" \t\f\v\n\r");
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

std::string readAttribute(const fs::path& device, const char* name)
{
    std::ifstream file(device / name, std::ios::binary);
    if (!file)
        return {};
    std::ostringstream contents;
    contents << file.rdbuf();
    std::string text = contents.str();
    // sysfs ends each attribute with a line feed that is not part of it.
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    if (text.size() > longestAttribute)
        return {};
    if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return {};
    return text;
}

uint16_t readIdentifier(const fs::path& device, const char* name)
{
    const std::string text = rtrim(readAttribute(device, name));
    if (text.empty())
        return 0;
    try
    {
        std::size_t parsed = 0;
        const unsigned long value = std::stoul(text, &parsed, 16);
        if (parsed != text.size() || value > 0xffff)
            return 0;
        return static_cast<uint16_t>(value);
    }
    catch (const std::exception&)
    {
        return 0;
    }
}

bool isUsbDevice(const fs::path& directory)
{
    std::error_code error;
    return fs::is_regular_file(directory / "idVendor", error) &&
           fs::is_regular_file(directory / "idProduct", error);
}

// Walks up from the port's device to the USB device that carries it: the
// interface of a ttyACM port, or the interface above a ttyUSB port.
std::optional<fs::path> findUsbDevice(const fs::path& portDevice, const fs::path& sysfsRoot)
{
    std::error_code error;
    fs::path directory = fs::canonical(portDevice, error);
    if (error)
        return std::nullopt;
    const fs::path root = fs::canonical(sysfsRoot, error);
    while (!error)
    {
        if (isUsbDevice(directory))
            return directory;
        if (directory == root || directory == directory.parent_path())
            break;
        directory = directory.parent_path();
    }
    return std::nullopt;
}

PortInfo describePort(const fs::path& classEntry, const fs::path& sysfsRoot, const std::string& devicePrefix)
{
    PortInfo info{devicePrefix + classEntry.filename().string(), "n/a", "n/a"};
    const auto usb = findUsbDevice(classEntry / "device", sysfsRoot);
    if (!usb)
        return info;

    const std::string product = rtrim(readAttribute(*usb, "product"));
    const std::string vendor = rtrim(readAttribute(*usb, "manufacturer"));
    if (const std::string text = rtrim(vendor + " " + product); !text.empty())
        info.description = text;

    std::string serialNumber = rtrim(readAttribute(*usb, "serial"));
    const uint16_t vendorId = readIdentifier(*usb, "idVendor");
    const uint16_t productId = readIdentifier(*usb, "idProduct");
    if (vendorId != 0 && productId != 0)
    {
        if (serialNumber.empty())
            serialNumber = "None";
        char buffer[hardwareIdBufferSize];
        const int length = std::snprintf(buffer, sizeof buffer, "USB VID:PID=%04x:%04x SNR=%s", vendorId,
                                         productId, serialNumber.c_str());
        if (length > 0 && static_cast<std::size_t>(length) < sizeof buffer)
            info.hardware_id = buffer;
    }
    return info;
}
} // namespace

std::vector<PortInfo> list_ports()
{
    return list_ports("/sys", "/dev/");
}

std::vector<PortInfo> list_ports(const fs::path& sysfsRoot, const std::string& devicePrefix)
{
    std::vector<PortInfo> ports;
    try
    {
        std::error_code error;
        for (fs::directory_iterator entry(sysfsRoot / "class" / "tty", error), end; !error && entry != end;
             entry.increment(error))
        {
            // Only ports backed by a device: this leaves out the virtual
            // consoles and the pseudo-terminals.
            std::error_code linkError;
            if (!fs::exists(fs::symlink_status(entry->path() / "device", linkError)))
                continue;
            ports.push_back(describePort(entry->path(), sysfsRoot, devicePrefix));
        }
    }
    catch (const std::exception&)
    {
        return {};
    }
    std::sort(ports.begin(), ports.end(),
              [](const PortInfo& a, const PortInfo& b) { return a.port < b.port; });
    return ports;
}

} // namespace serial
