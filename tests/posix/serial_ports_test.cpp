// Which port is device 0, and the order of port names.
#include "platform/posix/serial_ports.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(PortNameLess, NumbersCompareByValue) {
    EXPECT_TRUE(PortNameLess("/dev/ttyUSB2", "/dev/ttyUSB10"));
    EXPECT_FALSE(PortNameLess("/dev/ttyUSB10", "/dev/ttyUSB2"));
    EXPECT_TRUE(PortNameLess("/dev/ttyACM0", "/dev/ttyUSB0"));
    EXPECT_TRUE(PortNameLess("/dev/ttyUSB", "/dev/ttyUSB0"));
    EXPECT_FALSE(PortNameLess("/dev/ttyUSB1", "/dev/ttyUSB1"));
    EXPECT_TRUE(PortNameLess("/dev/ttyUSB007", "/dev/ttyUSB8"));
}

TEST(FtdiPortPath, DeviceNIsTheNthFtdiPortInNameOrder) {
    std::vector<SerialPortInfo> ports = {
        {"/dev/ttyUSB10", 0x0403, 0x6001, "FT232R USB UART"},
        {"/dev/ttyACM0", 0x2341, 0x0043, "Arduino Uno"},
        {"/dev/ttyS0", -1, -1, "ttyS0"},
        {"/dev/ttyUSB2", 0x0403, 0x6015, "FT231X USB UART"},
        {"/dev/ttyUSB3", 0x10c4, 0xea60, "CP2102"},
    };
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortInfo& a, const SerialPortInfo& b) { return PortNameLess(a.path, b.path); });
    std::string path;
    ASSERT_TRUE(FtdiPortPath(ports, 0, &path));
    EXPECT_EQ(path, "/dev/ttyUSB2");
    ASSERT_TRUE(FtdiPortPath(ports, 1, &path));
    EXPECT_EQ(path, "/dev/ttyUSB10");
    EXPECT_FALSE(FtdiPortPath(ports, 2, &path));
    EXPECT_FALSE(FtdiPortPath({{"/dev/ttyS0", -1, -1, "ttyS0"}}, 0, &path));
}

TEST(ListSerialPorts, ComesSortedByName) {
    std::vector<SerialPortInfo> ports = ListSerialPorts();
    EXPECT_TRUE(std::is_sorted(
        ports.begin(), ports.end(),
        [](const SerialPortInfo& a, const SerialPortInfo& b) { return PortNameLess(a.path, b.path); }));
}

}  // namespace
