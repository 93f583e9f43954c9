#include "serial/PortListing.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace
{
struct UsbDevice
{
    std::string idVendor = "5c6d", idProduct = "0010";
    std::optional<std::string> manufacturer = "Quarnel", product = "Tavelo", serial = "ABC";
};

// A sysfs tree in a temporary folder, laid out as the kernel lays out serial ports.
class FakeSysfs
{
public:
    FakeSysfs() { fs::create_directories(root / "class" / "tty"); }
    ~FakeSysfs()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    // A CDC ACM port sits on the interface below its USB device; a USB-serial
    // converter's port one level deeper.
    void addUsbPort(const std::string& name, const UsbDevice& device, bool converter = false)
    {
        const fs::path usb = root / "devices/pci0000:00/usb1" / ("1-" + name);
        fs::create_directories(usb);
        const std::pair<const char*, std::optional<std::string>> attributes[] = {
            {"idVendor", device.idVendor},
            {"idProduct", device.idProduct},
            {"manufacturer", device.manufacturer},
            {"product", device.product},
            {"serial", device.serial}};
        for (const auto& [file, text] : attributes)
            if (text)
                std::ofstream(usb / file) << *text << "\n";
        const fs::path interface = usb / ("1-" + name + ":1.0");
        addPort(name, converter ? interface / name : interface);
    }

    std::vector<serial::PortInfo> list() const { return serial::list_ports(root, "/fake-dev/"); }

    const fs::path root = fs::temp_directory_path() /
                          ("tavelo-sysfs-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));

    // A port whose class entry links to its device; a virtual terminal has no link.
    void addPort(const std::string& name, const fs::path& device, bool linked = true)
    {
        const fs::path entry = device / "tty" / name;
        fs::create_directories(entry);
        fs::create_directory_symlink(fs::relative(entry, root / "class/tty"), root / "class/tty" / name);
        if (linked)
            fs::create_directory_symlink(fs::relative(device, entry), entry / "device");
    }

private:
    static inline int counter = 0;
};
} // namespace

TEST(PortListing, FindsAcmAndUsbSerialPortsWithTheirUsbIdentifiers)
{
    FakeSysfs sysfs;
    sysfs.addUsbPort("ttyACM0", {});
    sysfs.addUsbPort("ttyUSB0", {"0403", "6001", "FTDI", "FT232R USB UART", "A50285BI"}, true);
    sysfs.addPort("ttyS0", sysfs.root / "devices/platform/serial8250");
    sysfs.addPort("tty1", sysfs.root / "devices/virtual/tty", false);

    std::string listed;
    for (const auto& port : sysfs.list())
        listed += port.port + " | " + port.description + " | " + port.hardware_id + "\n";
    EXPECT_EQ(listed, "/fake-dev/ttyACM0 | Quarnel Tavelo | USB VID:PID=5c6d:0010 SNR=ABC\n"
                      "/fake-dev/ttyS0 | n/a | n/a\n"
                      "/fake-dev/ttyUSB0 | FTDI FT232R USB UART | USB VID:PID=0403:6001 SNR=A50285BI\n");
    EXPECT_NO_THROW(serial::list_ports()); // the real tree
}

TEST(PortListing, FormatsIdentifiersMissingFieldsAndOverlongTexts)
{
    using S = std::optional<std::string>;
    const struct
    {
        UsbDevice device;
        const char* description;
        std::string hardwareId;
    } rows[] = {
        {{"5C6D", "0010", "Quarnel", "Tavelo", {}}, "Quarnel Tavelo", "USB VID:PID=5c6d:0010 SNR=None"},
        {{"0000", "0010"}, "Quarnel Tavelo", "n/a"},
        {{"5c6d", "0010", S("Quarnel  \t"), {}}, "Quarnel", "USB VID:PID=5c6d:0010 SNR=ABC"},
        {{"5c6d", "0010", {}, S("Tavelo\n")}, " Tavelo", "USB VID:PID=5c6d:0010 SNR=ABC"},
        {{"5c6d", "1", {}, {}}, "n/a", "USB VID:PID=5c6d:0001 SNR=ABC"},
        {{"5c6d", "0010", S("Quarnel"), S("Tav\xc3\xa9lo")}, "Quarnel", "USB VID:PID=5c6d:0010 SNR=ABC"},
        {{"5c6d", "0010", S("Quarnel"), S(std::string(1024, 'P')), S(std::string(110, 'S'))},
         "Quarnel",
         "n/a"},
        // "USB VID:PID=5c6d:0010 SNR=" is 26 characters: 101 more fill 127.
        {{"5c6d", "0010", S("Quarnel"), S("Tavelo"), S(std::string(101, 'F'))},
         "Quarnel Tavelo",
         "USB VID:PID=5c6d:0010 SNR=" + std::string(101, 'F')},
    };
    for (const auto& row : rows)
    {
        FakeSysfs sysfs;
        sysfs.addUsbPort("ttyACM0", row.device);
        const auto ports = sysfs.list();
        ASSERT_EQ(ports.size(), 1u);
        EXPECT_EQ(ports[0].description, row.description) << row.hardwareId;
        EXPECT_EQ(ports[0].hardware_id, row.hardwareId);
    }
}

TEST(PortListing, AnUnreadableTreeGivesAnEmptyList)
{
    EXPECT_TRUE(serial::list_ports("/nonexistent/sysfs", "/dev/").empty());

    FakeSysfs sysfs;
    fs::remove(sysfs.root / "class/tty");
    std::ofstream(sysfs.root / "class/tty") << "not a folder";
    EXPECT_TRUE(sysfs.list().empty());

    FakeSysfs dangling;
    fs::create_directory_symlink("../../devices/gone/ttyACM9", dangling.root / "class/tty/ttyACM9");
    EXPECT_TRUE(dangling.list().empty());
}
