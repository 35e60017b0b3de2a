// Port listing and open-failure advice.
#include "cli/ports.h"

#include <grp.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace {

// The group that may use the port, when it is one a user is usually put in (dialout, uucp, tty).
std::string PortGroup(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || status.st_gid == 0) {
        return "";
    }
    const group* entry = getgrgid(status.st_gid);
    return entry != nullptr ? entry->gr_name : "";
}

}  // namespace

void PrintPortList(std::FILE* output, const std::vector<SerialPortInfo>& ports) {
    std::string device0;
    FtdiPortPath(ports, 0, &device0);
    std::size_t width = 4;
    for (const SerialPortInfo& port : ports) {
        width = port.path.size() > width ? port.path.size() : width;
    }
    for (const SerialPortInfo& port : ports) {
        char ids[16] = "-";
        if (port.vendorId >= 0) {
            std::snprintf(ids, sizeof ids, "%04x:%04x", static_cast<unsigned>(port.vendorId) & 0xFFFFu,
                          static_cast<unsigned>(port.productId) & 0xFFFFu);
        }
        std::fprintf(output, "%-*s  %-9s  %s%s\n", static_cast<int>(width), port.path.c_str(), ids,
                     port.description.c_str(), port.path == device0 ? "  (device 0)" : "");
    }
    if (ports.empty()) {
        std::fprintf(output, "No serial ports found.\n");
    } else if (device0.empty()) {
        std::fprintf(output, "No FTDI USB-serial port (vendor 0403): no device 0.\n");
    }
}

std::string OpenFailureAdvice(const PortOpenFailure& failure) {
    const std::string port = failure.path;
    switch (failure.error) {
        case 0:
            return "";
        case ENODEV:
            if (port.empty()) {
                return "No FTDI USB-serial port (USB vendor 0403) was found: plug the ZT914 in, or name the "
                       "port "
                       "with --port (fetchwell-cli --list-ports lists them).";
            }
            break;
        case EACCES:
        case EPERM: {
            std::string group = PortGroup(port);
            if (!group.empty()) {
                return "Cannot open " + port + ": permission denied. Add your user to the '" + group +
                       "' group (sudo usermod -aG " + group + " $USER), then log out and in again.";
            }
            return "Cannot open " + port + ": permission denied. Ask for read and write access to the port.";
        }
        case EBUSY:
            return "Cannot open " + port +
                   ": it is in use by another program. Close that program (fuser -v " + port +
                   " names it) and try again.";
        case ENOENT:
            return "Cannot open " + port + ": there is no such port (fetchwell-cli --list-ports lists them).";
        case ENOTTY:
            return "Cannot open " + port + ": it is not a serial port.";
        default:
            break;
    }
    return "Cannot open " + port + ": " + std::strerror(failure.error) + ".";
}
