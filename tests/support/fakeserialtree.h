#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "port_discovery.h"
#include "tempdir.h"

// A fake /dev and /sys of serial devices laid out as the kernel and udev lay
// them out (class links, device links, USB attributes, by-id links), for
// discovery tests and screenshots.
class FakeSerialTree {
public:
    struct Usb {
        std::string manufacturer, product, serial, vendorId, productId;
    };

    FakeSerialTree() {
        Make(Dev());
        Make(Sys() + "/class/tty");
        Make(Sys() + "/devices");
    }

    DiscoveryRoots roots() const {
        DiscoveryRoots roots;
        roots.dev = Dev();
        roots.sys = Sys();
        return roots;
    }
    std::string Dev() const { return m_dir.file("dev"); }
    std::string Sys() const { return m_dir.file("sys"); }

    // An adapter behind a usb-serial driver (ftdi_sio, cp210x, ...): the tty
    // hangs under the usb-serial port device below the USB interface.
    void AddUsbSerial(const std::string& name, const std::string& usbPort, const Usb& usb,
                      const std::string& driver, const std::string& byId) {
        const std::string device = UsbDevice(usbPort, usb);
        const std::string interface = device + "/" + usbPort + ":1.0";
        const std::string port = interface + "/" + name;
        Make(port);
        Driver("usb-serial/drivers/" + driver, port);
        AddTty(name, port + "/tty/" + name, "../../../" + name, byId);
    }
    // A CDC ACM device: the tty hangs under the USB interface itself.
    void AddAcm(const std::string& name, const std::string& usbPort, const Usb& usb,
                const std::string& byId) {
        const std::string interface = UsbDevice(usbPort, usb) + "/" + usbPort + ":1.0";
        Make(interface);
        Driver("usb/drivers/cdc_acm", interface);
        AddTty(name, interface + "/tty/" + name, "../../../" + usbPort + ":1.0", byId);
    }
    // A serial_core port (ttyS, ttyAMA); type 0 is a placeholder without UART.
    void AddUart(const std::string& name, int type, const std::string& driver = "serial8250") {
        const std::string platform = Sys() + "/devices/platform/" + driver;
        Make(platform);
        Driver("platform/drivers/" + driver, platform);
        const std::string tty = platform + "/tty/" + name;
        AddTty(name, tty, "../../../" + driver, "");
        Write(tty + "/type", std::to_string(type) + "\n");
    }
    // A virtual terminal: a class entry with no device behind it.
    void AddVirtual(const std::string& name) {
        const std::string tty = Sys() + "/devices/virtual/tty/" + name;
        Make(tty);
        Link("../../devices/virtual/tty/" + name, Sys() + "/class/tty/" + name);
        Write(Dev() + "/" + name, "");
    }
    // The device and everything udev made for it disappear.
    void Unplug(const std::string& name) {
        namespace fs = std::filesystem;
        std::error_code ignored;
        const fs::path byId = Dev() + "/serial/by-id";
        if (fs::exists(byId)) {
            for (const auto& link : fs::directory_iterator(byId)) {
                if (fs::read_symlink(link.path(), ignored).filename() == name)
                    fs::remove(link.path(), ignored);
            }
        }
        const fs::path tty = fs::canonical(Sys() + "/class/tty/" + name, ignored);
        fs::remove(Sys() + "/class/tty/" + name, ignored);
        fs::remove(Dev() + "/" + name, ignored);
        if (!tty.empty()) fs::remove_all(tty, ignored);
    }

private:
    static void Make(const std::string& dir) { std::filesystem::create_directories(dir); }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }
    static void Link(const std::string& target, const std::string& link) {
        std::error_code ignored;
        std::filesystem::remove(link, ignored);
        std::filesystem::create_symlink(target, link);
    }
    // The driver folder under /sys/bus and the device's link to it.
    void Driver(const std::string& busPath, const std::string& device) const {
        const std::string driver = Sys() + "/bus/" + busPath;
        Make(driver);
        Link(std::filesystem::relative(driver, device).string(), device + "/driver");
    }

    std::string UsbDevice(const std::string& usbPort, const Usb& usb) const {
        const std::string device = Sys() + "/devices/pci0000:00/0000:00:14.0/usb1/" + usbPort;
        Make(device);
        Write(device + "/idVendor", usb.vendorId + "\n");
        Write(device + "/idProduct", usb.productId + "\n");
        if (!usb.manufacturer.empty()) Write(device + "/manufacturer", usb.manufacturer + "\n");
        if (!usb.product.empty()) Write(device + "/product", usb.product + "\n");
        if (!usb.serial.empty()) Write(device + "/serial", usb.serial + "\n");
        return device;
    }
    // tty: its folder under /sys/devices; deviceLink: its `device` link,
    // relative to that folder.
    void AddTty(const std::string& name, const std::string& tty, const std::string& deviceLink,
                const std::string& byId) const {
        Make(tty);
        Link(deviceLink, tty + "/device");
        const std::string fromClass = "../../" + tty.substr(Sys().size() + 1);
        Link(fromClass, Sys() + "/class/tty/" + name);
        Write(Dev() + "/" + name, "");
        if (!byId.empty()) {
            Make(Dev() + "/serial/by-id");
            Link("../../" + name, Dev() + "/serial/by-id/" + byId);
        }
    }

    TempDir m_dir;
};
