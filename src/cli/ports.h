// What fetchwell-cli says about serial ports: the --list-ports table, and advice when a port will not open.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/posix/serial_ports.h"
#include "platform/posix/termios_driver.h"

// One line per port: path, vendor:product (or "-"), description, and "device 0" beside the port a download
// without --port would use.
void PrintPortList(std::FILE* output, const std::vector<SerialPortInfo>& ports);
// A line saying which port failed, why, and what to do about it; empty when there is nothing to add.
std::string OpenFailureAdvice(const PortOpenFailure& failure);
