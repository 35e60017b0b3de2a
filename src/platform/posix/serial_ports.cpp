// Port discovery with libserialport. Only the list comes from it: it cannot open a pseudo-terminal, so the
// port itself is driven with termios (termios_driver.cpp).
#include "platform/posix/serial_ports.h"

#include <libserialport.h>

#include <algorithm>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool PortNameLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t aEnd = i;
            std::size_t bEnd = j;
            while (aEnd < a.size() && IsDigit(a[aEnd])) {
                ++aEnd;
            }
            while (bEnd < b.size() && IsDigit(b[bEnd])) {
                ++bEnd;
            }
            // Without leading zeros, the longer run of digits is the larger number.
            while (i + 1 < aEnd && a[i] == '0') {
                ++i;
            }
            while (j + 1 < bEnd && b[j] == '0') {
                ++j;
            }
            if (aEnd - i != bEnd - j) {
                return aEnd - i < bEnd - j;
            }
            int order = a.compare(i, aEnd - i, b, j, bEnd - j);
            if (order != 0) {
                return order < 0;
            }
            i = aEnd;
            j = bEnd;
            continue;
        }
        if (a[i] != b[j]) {
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        }
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

std::vector<SerialPortInfo> ListSerialPorts() {
    std::vector<SerialPortInfo> ports;
    sp_port** list = nullptr;
    if (sp_list_ports(&list) != SP_OK) {
        return ports;
    }
    for (sp_port** port = list; *port != nullptr; ++port) {
        SerialPortInfo info;
        info.path = sp_get_port_name(*port);
        if (sp_get_port_transport(*port) == SP_TRANSPORT_USB) {
            int vendor = -1;
            int product = -1;
            if (sp_get_port_usb_vid_pid(*port, &vendor, &product) == SP_OK) {
                info.vendorId = vendor;
                info.productId = product;
            }
        }
        const char* description = sp_get_port_description(*port);
        info.description = description != nullptr ? description : "";
        ports.push_back(std::move(info));
    }
    sp_free_port_list(list);
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortInfo& a, const SerialPortInfo& b) { return PortNameLess(a.path, b.path); });
    return ports;
}

bool FtdiPortPath(const std::vector<SerialPortInfo>& ports, int deviceNumber, std::string* path) {
    int index = 0;
    for (const SerialPortInfo& port : ports) {
        if (port.vendorId != FTDI_VENDOR_ID) {
            continue;
        }
        if (index == deviceNumber) {
            *path = port.path;
            return true;
        }
        ++index;
    }
    return false;
}
