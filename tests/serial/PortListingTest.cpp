#include "serial/PortListing.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace fs = std::filesystem;

namespace
{
// A sysfs tree in a temporary folder, laid out as the kernel lays out USB
// serial ports.
class FakeSysfs
{
public:
    FakeSysfs()
        : root(fs::temp_directory_path() /
               ("tavelo-sysfs-" + std::to_string(::getpid()) + "-" + std::to_string(counter++)))
    {
        fs::create_directories(root / "class" / "tty");
    }
    ~FakeSysfs()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    struct UsbDevice
    {
        std::string idVendor = "5c6d";
        std::string idProduct = "0010";
        std::optional<std::string> manufacturer = "Quarnel";
        std::optional<std::string> product = "Tavelo";
        std::optional<std::string> serial = "ABC";
    };

    // A USB device with its attributes; returns its folder.
    fs::path addUsbDevice(const std::string& busPath, const UsbDevice& device)
    {
        const fs::path folder = root / "devices" / "pci0000:00" / "0000:00:14.0" / "usb1" / busPath;
        fs::create_directories(folder);
        write(folder / "idVendor", device.idVendor + "\n");
        write(folder / "idProduct", device.idProduct + "\n");
        if (device.manufacturer)
            write(folder / "manufacturer", *device.manufacturer + "\n");
        if (device.product)
            write(folder / "product", *device.product + "\n");
        if (device.serial)
            write(folder / "serial", *device.serial + "\n");
        return folder;
    }

    // A CDC ACM port: its device is the interface right below the USB device.
    void addAcmPort(const std::string& name, const fs::path& usbDevice)
    {
        const fs::path interface = usbDevice / (usbDevice.filename().string() + ":1.0");
        fs::create_directories(interface / "tty" / name);
        write(interface / "bInterfaceNumber", "00\n");
        addClassEntry(name, interface);
    }

    // A USB-serial converter port: its device sits one level deeper.
    void addUsbSerialPort(const std::string& name, const fs::path& usbDevice)
    {
        const fs::path portDevice = usbDevice / (usbDevice.filename().string() + ":1.0") / name;
        fs::create_directories(portDevice / "tty" / name);
        addClassEntry(name, portDevice);
    }

    // A port on a platform device, with no USB device above it.
    void addPlatformPort(const std::string& name)
    {
        const fs::path device = root / "devices" / "platform" / "serial8250";
        fs::create_directories(device / "tty" / name);
        addClassEntry(name, device);
    }

    // Ports ttyACM0, ttyACM1, ... on USB devices 1-1, 1-2, ..., each the
    // default device with the given changes.
    void addAcmPorts(const std::vector<std::function<void(UsbDevice&)>>& changes)
    {
        for (std::size_t i = 0; i < changes.size(); ++i)
        {
            UsbDevice device;
            changes[i](device);
            addAcmPort("ttyACM" + std::to_string(i), addUsbDevice("1-" + std::to_string(i + 1), device));
        }
    }

    // A virtual terminal: no device link.
    void addVirtualTerminal(const std::string& name)
    {
        fs::create_directories(root / "devices" / "virtual" / "tty" / name);
        fs::create_directory_symlink(fs::path("../../devices/virtual/tty") / name,
                                     root / "class" / "tty" / name);
    }

    std::vector<serial::PortInfo> list() const { return serial::list_ports(root, "/dev/"); }

    const fs::path root;

private:
    void addClassEntry(const std::string& name, const fs::path& device)
    {
        const fs::path entry = device / "tty" / name;
        fs::create_directory_symlink(fs::relative(entry, root / "class" / "tty"),
                                     root / "class" / "tty" / name);
        fs::create_directory_symlink(fs::relative(device, entry), entry / "device");
    }

    static void write(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }

    static inline int counter = 0;
};
} // namespace

TEST(PortListing, FindsAcmAndUsbSerialPortsWithTheirUsbIdentifiers)
{
    FakeSysfs sysfs;
    sysfs.addAcmPort("ttyACM0", sysfs.addUsbDevice("1-2", {}));
    FakeSysfs::UsbDevice converter;
    converter.idVendor = "0403";
    converter.idProduct = "6001";
    converter.manufacturer = "FTDI";
    converter.product = "FT232R USB UART";
    converter.serial = "A50285BI";
    sysfs.addUsbSerialPort("ttyUSB0", sysfs.addUsbDevice("1-3", converter));
    sysfs.addPlatformPort("ttyS0");
    sysfs.addVirtualTerminal("tty1");

    const auto ports = sysfs.list();
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].port, "/dev/ttyACM0");
    EXPECT_EQ(ports[0].description, "Quarnel Tavelo");
    EXPECT_EQ(ports[0].hardware_id, "USB VID:PID=5c6d:0010 SNR=ABC");
    EXPECT_EQ(ports[1].port, "/dev/ttyS0");
    EXPECT_EQ(ports[1].description, "n/a");
    EXPECT_EQ(ports[1].hardware_id, "n/a");
    EXPECT_EQ(ports[2].port, "/dev/ttyUSB0");
    EXPECT_EQ(ports[2].description, "FTDI FT232R USB UART");
    EXPECT_EQ(ports[2].hardware_id, "USB VID:PID=0403:6001 SNR=A50285BI");
}

TEST(PortListing, FormatsIdentifiersAndMissingFields)
{
    FakeSysfs sysfs;
    sysfs.addAcmPorts({[](auto& upperCase)
                       {
                           upperCase.idVendor = "5C6D";
                           upperCase.serial.reset();
                       },
                       [](auto& noVendor) { noVendor.idVendor = "0000"; },
                       [](auto& vendorOnly)
                       {
                           vendorOnly.product.reset();
                           vendorOnly.manufacturer = "Quarnel  \t";
                       },
                       [](auto& productOnly)
                       {
                           productOnly.manufacturer.reset();
                           productOnly.product = "Tavelo\n";
                       },
                       [](auto& noNames)
                       {
                           noNames.manufacturer.reset();
                           noNames.product.reset();
                           noNames.idProduct = "1";
                       }});

    const auto ports = sysfs.list();
    ASSERT_EQ(ports.size(), 5u);
    EXPECT_EQ(ports[0].hardware_id, "USB VID:PID=5c6d:0010 SNR=None");
    EXPECT_EQ(ports[1].hardware_id, "n/a");
    EXPECT_EQ(ports[1].description, "Quarnel Tavelo");
    EXPECT_EQ(ports[2].description, "Quarnel");
    EXPECT_EQ(ports[3].description, " Tavelo");
    EXPECT_EQ(ports[4].description, "n/a");
    EXPECT_EQ(ports[4].hardware_id, "USB VID:PID=5c6d:0001 SNR=ABC");
}

TEST(PortListing, OverlongTextsFallBackToTheirDefaults)
{
    FakeSysfs sysfs;
    sysfs.addAcmPorts({[](auto& longSerial) { longSerial.serial = std::string(110, 'S'); },
                       [](auto& fitting)
                       {
                           // "USB VID:PID=5c6d:0010 SNR=" is 26 characters: 101 more fill 127.
                           fitting.serial = std::string(101, 'F');
                           fitting.product = std::string(1024, 'P');
                       },
                       [](auto& nonAscii) { nonAscii.product = "Tav\xc3\xa9lo"; }});

    const auto ports = sysfs.list();
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].hardware_id, "n/a");
    EXPECT_EQ(ports[1].hardware_id.size(), 127u);
    EXPECT_EQ(ports[1].description, "Quarnel");
    EXPECT_EQ(ports[2].description, "Quarnel");
}

TEST(PortListing, AnUnreadableTreeGivesAnEmptyList)
{
    EXPECT_TRUE(serial::list_ports("/nonexistent/sysfs", "/dev/").empty());

    FakeSysfs sysfs;
    fs::remove(sysfs.root / "class" / "tty");
    std::ofstream(sysfs.root / "class" / "tty") << "not a folder";
    EXPECT_TRUE(sysfs.list().empty());

    FakeSysfs dangling;
    fs::create_directory_symlink("../../devices/gone/ttyACM9", dangling.root / "class" / "tty" / "ttyACM9");
    EXPECT_TRUE(dangling.list().empty());
}

TEST(PortListing, TheDevicePrefixNamesThePorts)
{
    FakeSysfs sysfs;
    sysfs.addAcmPort("ttyACM0", sysfs.addUsbDevice("1-1", {}));
    const auto ports = serial::list_ports(sysfs.root, "/tmp/fake-dev/");
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].port, "/tmp/fake-dev/ttyACM0");
}

TEST(PortListing, TheRealListingNeverThrows)
{
    EXPECT_NO_THROW(serial::list_ports());
}
