// The serial ports of the machine, from libserialport's port list, and which of them is device N.
#pragma once

#include <string>
#include <vector>

inline constexpr int FTDI_VENDOR_ID = 0x0403;

struct SerialPortInfo {
    std::string path;   // "/dev/ttyUSB0"
    int vendorId = -1;  // USB ids; -1 for a port that is not on USB
    int productId = -1;
    std::string description;  // as libserialport gives it, e.g. "FT232R USB UART"
};

// Every serial port libserialport finds, sorted by name (numbers in names compare by value: ttyUSB2 <
// ttyUSB10). Empty when there is none or the list cannot be read.
std::vector<SerialPortInfo> ListSerialPorts();
bool PortNameLess(const std::string& a, const std::string& b);
// Device N is the Nth FTDI port (USB vendor 0x0403) of a sorted list, from 0. False when there are not that
// many.
bool FtdiPortPath(const std::vector<SerialPortInfo>& ports, int deviceNumber, std::string* path);
