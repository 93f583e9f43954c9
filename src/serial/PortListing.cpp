#include "PortListing.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace serial
{
namespace fs = std::filesystem;

namespace
{
// Attribute texts longer than this count as missing, as do texts that are
// not plain ASCII.
constexpr std::size_t longestAttribute = 1023;
constexpr std::size_t hardwareIdBufferSize = 128;

// The watcher lists the ports five times a second, so a listing costs as few
// system calls as the tree allows: sysfs lookups are slow compared with the
// rest of an idle application's work.

struct DirectoryCloser
{
    void operator()(DIR* directory) const { ::closedir(directory); }
};
using Directory = std::unique_ptr<DIR, DirectoryCloser>;

// The names in a folder, without "." and "..". Empty when it cannot be read.
std::vector<std::string> entryNames(DIR* directory)
{
    std::vector<std::string> names;
    if (directory == nullptr)
        return names;
    while (const dirent* entry = ::readdir(directory))
    {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    return names;
}

enum class LinkState
{
    link,
    notALink,
    missing
};

// Reads the symbolic link at name (relative to folder) into target; an
// entry that is there but no link is notALink.
LinkState readLink(int folder, const std::string& name, std::string& target)
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlinkat(folder, name.c_str(), buffer, sizeof buffer);
    if (length >= 0 && static_cast<std::size_t>(length) < sizeof buffer)
    {
        target.assign(buffer, static_cast<std::size_t>(length));
        return LinkState::link;
    }
    return length < 0 && errno == EINVAL ? LinkState::notALink : LinkState::missing;
}

std::string rtrim(std::string text)
{
    const auto end = text.find_last_not_of(" \t\f\v\n\r");
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

// One read takes the whole attribute: sysfs hands it over at once, and an
// attribute that fills the buffer is too long anyway.
std::string readAttribute(const std::string& device, const char* name)
{
    const int file = ::open((device + '/' + name).c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return {};
    char buffer[longestAttribute + 2];
    const ssize_t length = ::read(file, buffer, sizeof buffer);
    ::close(file);
    if (length <= 0)
        return {};
    std::string text(buffer, static_cast<std::size_t>(length));
    // sysfs ends each attribute with a line feed that is not part of it.
    if (text.back() == '\n')
        text.pop_back();
    if (text.size() > longestAttribute)
        return {};
    if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return {};
    return text;
}

uint16_t readIdentifier(const std::string& device, const char* name)
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

// One listing's walk from the ports' devices up to the USB devices that
// carry them: the interface of a ttyACM port, or the interface above a
// ttyUSB port. Ports on one device (the legacy UARTs share one) walk once.
class UsbDeviceFinder
{
public:
    explicit UsbDeviceFinder(const fs::path& sysfsRoot)
        : root(fs::canonical(sysfsRoot).string())
    {
    }

    // The USB device above the device of the port whose class entry links
    // to ttyTarget, with a device link to deviceTarget (both relative to the
    // class folder, or absolute).
    std::optional<std::string> find(const std::string& ttyTarget, const std::string& deviceTarget)
    {
        // Links in sysfs point at folders holding no further links, so
        // joining the link texts gives the device's folder without a look at
        // each step.
        std::string device = (fs::path(root) / "class" / "tty" / ttyTarget / deviceTarget).lexically_normal();
        if (device.size() > 1 && device.back() == '/')
            device.pop_back();
        const auto known = found.find(device);
        if (known != found.end())
            return known->second;
        return found.emplace(device, walk(device)).first->second;
    }

private:
    std::optional<std::string> walk(std::string directory)
    {
        for (;;)
        {
            if (isUsbDevice(directory))
                return directory;
            if (directory == root || directory == "/")
                return std::nullopt;
            const std::size_t slash = directory.find_last_of('/');
            directory.erase(slash == 0 ? 1 : slash);
        }
    }

    bool isUsbDevice(const std::string& directory)
    {
        return isRegularFile(directory, "idVendor") && isRegularFile(directory, "idProduct");
    }

    bool isRegularFile(const std::string& directory, const char* name)
    {
        file.assign(directory).append("/").append(name);
        struct stat status
        {
        };
        return ::stat(file.c_str(), &status) == 0 && S_ISREG(status.st_mode);
    }

    const std::string root;
    std::string file;
    std::map<std::string, std::optional<std::string>> found;
};

PortInfo describePort(const std::string& name, const std::optional<std::string>& usb,
                      const std::string& devicePrefix)
{
    PortInfo info{devicePrefix + name, "n/a", "n/a"};
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
        const fs::path classFolder = sysfsRoot / "class" / "tty";
        const Directory classDirectory(::opendir(classFolder.c_str()));
        if (!classDirectory)
            return {};
        const std::vector<std::string> names = entryNames(classDirectory.get());

        // The kernel puts every tty without a parent device, and only those,
        // under devices/virtual/tty, and only a tty with a parent device has
        // a device link: one folder read leaves out the virtual consoles and
        // the pseudo-terminals without a look at each of them.
        std::vector<std::string> virtualNames =
            entryNames(Directory(::opendir((sysfsRoot / "devices" / "virtual" / "tty").c_str())).get());
        std::sort(virtualNames.begin(), virtualNames.end());

        std::optional<UsbDeviceFinder> finder;
        const int classFd = ::dirfd(classDirectory.get());
        std::string ttyTarget;
        std::string deviceTarget;
        for (const std::string& name : names)
        {
            if (std::binary_search(virtualNames.begin(), virtualNames.end(), name))
                continue;
            const LinkState device = readLink(classFd, name + "/device", deviceTarget);
            if (device == LinkState::missing)
                continue;
            const LinkState tty = readLink(classFd, name, ttyTarget);
            if (tty == LinkState::missing)
            {
                ports.push_back(describePort(name, std::nullopt, devicePrefix));
                continue;
            }
            if (tty == LinkState::notALink)
                ttyTarget = name;
            if (device == LinkState::notALink)
                deviceTarget = "device";
            if (!finder)
                finder.emplace(sysfsRoot);
            ports.push_back(describePort(name, finder->find(ttyTarget, deviceTarget), devicePrefix));
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
