// Discovery of serial devices on fake /dev and /sys trees, and the port
// numbers they get.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "ccontrolini.h"
#include "iniportdirectory.h"
#include "fakeserialtree.h"
#include "port_discovery.h"
#include "port_numbers.h"
#include "tempdir.h"

namespace {

const FakeSerialTree::Usb kFtdi{"FTDI", "FT232R USB UART", "A1B2C3", "0403", "6001"};
const FakeSerialTree::Usb kCp2102{"Silicon Labs", "CP2102 USB to UART Bridge Controller", "0001",
                                  "10c4", "ea60"};
const FakeSerialTree::Usb kAcm{"Tavel", "VX31 USB", "", "1234", "5678"};
const char kFtdiById[] = "usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0";
const char kAcmById[] = "usb-Tavel_VX31_USB-if00";

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Names(const std::vector<SerialDeviceInfo>& devices) {
    std::vector<std::string> names;
    for (const auto& device : devices) names.push_back(device.name);
    return names;
}

TEST(PortDiscovery, ListsPresentDevicesWithWhatSysfsKnows) {
    FakeSerialTree tree;
    tree.AddUsbSerial("ttyUSB0", "1-2", kFtdi, "ftdi_sio", kFtdiById);
    tree.AddUsbSerial("ttyUSB10", "1-4", kCp2102, "cp210x", "");  // no by-id link
    tree.AddAcm("ttyACM0", "1-3", kAcm, kAcmById);
    tree.AddUart("ttyS0", 4);
    tree.AddUart("ttyS1", 0);  // placeholder: no UART behind it
    tree.AddUart("ttyAMA0", 3, "uart-pl011");
    tree.AddVirtual("tty1");
    tree.AddUsbSerial("ttyUSB2", "1-5", kCp2102, "cp210x", "");

    const auto devices = DiscoverSerialPorts(tree.roots());
    ASSERT_EQ(Names(devices), (std::vector<std::string>{"ttyACM0", "ttyAMA0", "ttyS0", "ttyUSB0",
                                                        "ttyUSB2", "ttyUSB10"}));

    const SerialDeviceInfo& ftdi = devices[3];
    EXPECT_EQ(ftdi.devicePath, "/dev/ttyUSB0");
    EXPECT_EQ(ftdi.byIdPath, std::string("/dev/serial/by-id/") + kFtdiById);
    EXPECT_EQ(ftdi.manufacturer, "FTDI");
    EXPECT_EQ(ftdi.product, "FT232R USB UART");
    EXPECT_EQ(ftdi.serial, "A1B2C3");
    EXPECT_EQ(ftdi.vendorId, "0403");
    EXPECT_EQ(ftdi.productId, "6001");
    EXPECT_EQ(ftdi.driver, "ftdi_sio");
    EXPECT_EQ(DescribeSerialDevice(ftdi), "ttyUSB0 · FT232R USB UART · A1B2C3");

    const SerialDeviceInfo& acm = devices[0];
    EXPECT_EQ(acm.byIdPath, std::string("/dev/serial/by-id/") + kAcmById);
    EXPECT_EQ(acm.driver, "cdc_acm");
    EXPECT_EQ(acm.vendorId + ":" + acm.productId, "1234:5678");
    EXPECT_EQ(DescribeSerialDevice(acm), "ttyACM0 · VX31 USB");

    // A UART has no USB strings: its driver names it.
    EXPECT_EQ(DescribeSerialDevice(devices[2]), "ttyS0 · serial8250");
    EXPECT_TRUE(devices[2].byIdPath.empty());
    EXPECT_TRUE(devices[5].byIdPath.empty());
    EXPECT_EQ(devices[5].product, "CP2102 USB to UART Bridge Controller");

    // Every spelling of a device finds it: /dev path, by-id link, other links.
    const DiscoveryRoots roots = tree.roots();
    EXPECT_EQ(FindSerialDevice(devices, "/dev/ttyUSB0", roots), 3);
    EXPECT_EQ(FindSerialDevice(devices, ftdi.byIdPath, roots), 3);
    mkdir((tree.Dev() + "/serial/by-path").c_str(), 0755);
    symlink("../../ttyACM0", (tree.Dev() + "/serial/by-path/pci-usb-0:3:1.0").c_str());
    EXPECT_EQ(FindSerialDevice(devices, "/dev/serial/by-path/pci-usb-0:3:1.0", roots), 0);
    EXPECT_EQ(FindSerialDevice(devices, "/dev/ttyS1", roots), -1);
    EXPECT_EQ(FindSerialDevice(devices, "", roots), -1);

    // No tree at all: nothing, and no failure.
    DiscoveryRoots none;
    none.dev = tree.Dev() + "/missing";
    none.sys = tree.Sys() + "/missing";
    EXPECT_TRUE(DiscoverSerialPorts(none).empty());
}

class PortNumbers : public ::testing::Test {
protected:
    void SetUp() override { m_ini.SetPath(m_dir.file("config.ini")); }
    PortNumberMap Map() { return RefreshPortNumbers(&m_ini, m_tree.roots()); }
    std::string Stored(int n) {
        std::string path = "<absent>";
        m_ini.ReadString("ports", ("com" + std::to_string(n)).c_str(), &path);
        return path;
    }

    FakeSerialTree m_tree;
    TempDir m_dir;
    CControlIni m_ini;
};

TEST_F(PortNumbers, NewDevicesGetTheLowestFreeNumbersAndKeepThemAcrossReplugging) {
    m_tree.AddUart("ttyS0", 4);  // port 1 by default
    m_tree.AddUart("ttyS1", 0);  // placeholder: port 2 is free
    m_tree.AddUsbSerial("ttyUSB0", "1-2", kFtdi, "ftdi_sio", kFtdiById);
    m_tree.AddAcm("ttyACM0", "1-3", kAcm, kAcmById);

    PortNumberMap map = Map();
    EXPECT_EQ(map.added, (std::vector<int>{2, 3}));
    EXPECT_EQ(PortNumberLabel(map, 1), "1 — ttyS0 · serial8250");
    EXPECT_EQ(PortNumberLabel(map, 2), "2 — ttyACM0 · VX31 USB");
    EXPECT_EQ(PortNumberLabel(map, 3), "3 — ttyUSB0 · FT232R USB UART · A1B2C3");
    EXPECT_EQ(PortNumberLabel(map, 4), "4");
    EXPECT_EQ(PortNumberLabel(map, 255), "255");
    EXPECT_EQ(Stored(1), "<absent>");  // reached by its default, nothing stored
    EXPECT_EQ(Stored(2), std::string("/dev/serial/by-id/") + kAcmById);
    EXPECT_EQ(Stored(3), std::string("/dev/serial/by-id/") + kFtdiById);
    EXPECT_EQ(map.paths[2], Stored(3));
    EXPECT_EQ(map.paths[3], "/dev/ttyS3");

    // Seen again: nothing new, config.ini is not written.
    struct stat before {};
    stat(m_ini.Path().c_str(), &before);
    const std::string text = FileText(m_ini.Path());
    EXPECT_TRUE(Map().added.empty());
    struct stat after {};
    stat(m_ini.Path().c_str(), &after);
    EXPECT_EQ(FileText(m_ini.Path()), text);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
    EXPECT_EQ(before.st_ino, after.st_ino);

    // Unplugged: its number stays its own, shown plain; another adapter
    // plugged in meanwhile (under the freed name) gets the next number.
    m_tree.Unplug("ttyUSB0");
    map = Map();
    EXPECT_EQ(PortNumberLabel(map, 3), "3");
    m_tree.AddUsbSerial("ttyUSB0", "1-4", kCp2102, "cp210x",
                        "usb-Silicon_Labs_CP2102_0001-if00-port0");
    map = Map();
    EXPECT_EQ(map.added, (std::vector<int>{4}));
    EXPECT_EQ(PortNumberLabel(map, 3), "3");
    EXPECT_EQ(PortNumberLabel(map, 4), "4 — ttyUSB0 · CP2102 USB to UART Bridge Controller · 0001");

    // Plugged in again, now as ttyUSB1: number 3 by its by-id name.
    m_tree.AddUsbSerial("ttyUSB1", "1-2", kFtdi, "ftdi_sio", kFtdiById);
    map = Map();
    EXPECT_TRUE(map.added.empty());
    EXPECT_EQ(PortNumberLabel(map, 3), "3 — ttyUSB1 · FT232R USB UART · A1B2C3");
}

TEST_F(PortNumbers, OneNumberPerDeviceAndOneDevicePerNumber) {
    m_tree.AddUart("ttyS0", 0);  // placeholder: port 1 is free
    m_tree.AddUart("ttyS2", 4);  // port 3 by default
    m_tree.AddUsbSerial("ttyUSB0", "1-2", kFtdi, "ftdi_sio", "");
    m_tree.AddUsbSerial("ttyUSB1", "1-4", kCp2102, "cp210x", "");
    m_tree.AddUsbSerial("ttyUSB2", "1-5", kCp2102, "cp210x", "");
    // Written by hand: ttyUSB1 by its /dev path (first of two keys, in
    // another case), a number whose device is absent, which stays reserved
    // for it, and an empty entry, which is no entry.
    std::ofstream(m_ini.Path(), std::ios::binary)
        << "[ports]\r\nCOM7 = /dev/ttyUSB1\r\ncom7=/dev/ttyUSB2\r\n"
           "com2=/dev/serial/by-id/usb-gone-if00-port0\r\ncom4=\r\ncom0=/dev/ttyUSB2\r\n";

    const PortNumberMap map = Map();
    // ttyUSB0 and ttyUSB2 take 1 and 4: 2 is reserved, 3 is ttyS2's.
    EXPECT_EQ(map.added, (std::vector<int>{1, 4}));
    EXPECT_EQ(Stored(1), "/dev/ttyUSB0");  // no by-id link: its /dev path
    EXPECT_EQ(Stored(4), "/dev/ttyUSB2");
    EXPECT_EQ(PortNumberLabel(map, 2), "2");
    EXPECT_EQ(PortNumberLabel(map, 3), "3 — ttyS2 · serial8250");
    EXPECT_EQ(PortNumberLabel(map, 7), "7 — ttyUSB1 · CP2102 USB to UART Bridge Controller · 0001");
    EXPECT_EQ(Stored(3), "<absent>");
    // What the list shows is what opening the number opens.
    for (int n = 1; n <= kPortNumberCount; ++n)
        EXPECT_EQ(map.paths[static_cast<size_t>(n - 1)], DevicePathForPort(n, &m_ini)) << n;
    for (size_t d = 0; d < map.devices.size(); ++d)
        EXPECT_EQ(std::count(map.deviceOf.begin(), map.deviceOf.end(), static_cast<int>(d)), 1)
            << map.devices[d].name;
}

// config.ini holds CP936: a by-id name with characters CP936 lacks would
// read back as "?" and never find its device again, which would then take a
// new number at every look. Such a device is stored by its /dev path.
TEST_F(PortNumbers, AByIdNameThatDoesNotReadBackIsNotStored) {
    m_tree.AddUsbSerial("ttyUSB0", "1-2",
                        {"Stra\xC3\x9F"
                         "e",
                         "Adapter \xC2\xAE", "\xC2\xB5", "0403", "6001"},
                        "ftdi_sio",
                        "usb-Stra\xC3\x9F"
                        "e_Adapter_\xC2\xAE_\xC2\xB5-if00-port0");
    m_tree.AddUsbSerial("ttyUSB1", "1-3",
                        {"Tavel", "\xE7\xBD\x91\xE5\x85\xB3", "7", "0403", "6001"}, "ftdi_sio",
                        "usb-Tavel_\xE7\xBD\x91\xE5\x85\xB3_7-if00-port0");
    EXPECT_EQ(Map().added, (std::vector<int>{1, 2}));
    for (int look = 0; look < 3; ++look) EXPECT_TRUE(Map().added.empty()) << look;
    EXPECT_EQ(Stored(1), "/dev/ttyUSB0");
    // Chinese is CP936 text: that name is kept.
    EXPECT_EQ(Stored(2), "/dev/serial/by-id/usb-Tavel_\xE7\xBD\x91\xE5\x85\xB3_7-if00-port0");
}

TEST_F(PortNumbers, AFailedStoreLeavesTheDeviceWithoutANumber) {
    m_tree.AddUsbSerial("ttyUSB0", "1-2", kFtdi, "ftdi_sio", kFtdiById);
    CControlIni unwritable;
    unwritable.SetPath(m_dir.file("no-such-folder/config.ini"));
    const PortNumberMap map = RefreshPortNumbers(&unwritable, m_tree.roots());
    EXPECT_TRUE(map.storeFailed);
    EXPECT_TRUE(map.added.empty());
    EXPECT_EQ(PortNumberLabel(map, 1), "1");
    // Without settings nothing is assigned either.
    EXPECT_EQ(PortNumberLabel(RefreshPortNumbers(nullptr, m_tree.roots()), 1), "1");
}

}  // namespace
