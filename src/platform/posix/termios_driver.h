// The driver seam on Linux: the instrument's USB-serial bridge as a kernel tty, driven with POSIX termios.
#pragma once

#include <cstddef>
#include <string>

#include "link/driver.h"

// Why the last Open failed, so that the front end can say what the user can do about it.
struct PortOpenFailure {
    std::string path;  // the port tried; empty when no port was found for the device number
    int error = 0;     // errno of the call that failed (ENODEV when no port was found); 0 after a good open
};

class TermiosDriver : public Driver {
  public:
    // Without a port path, device N is the Nth FTDI USB-serial port (serial_ports.h). With one, that port is
    // device 0, whatever it is: a USB-serial port, a built-in one, a pseudo-terminal.
    explicit TermiosDriver(std::string portPath = {});
    ~TermiosDriver() override;
    TermiosDriver(const TermiosDriver&) = delete;
    TermiosDriver& operator=(const TermiosDriver&) = delete;

    // Opens exclusively in raw mode, 8N1 at 9600 baud with no flow control; nothing else of the line is set.
    DriverStatus Open(int deviceNumber, DeviceHandle* handle) override;
    DriverStatus Close(DeviceHandle handle) override;
    DriverStatus Write(DeviceHandle handle, const void* source, std::uint32_t length,
                       std::uint32_t* written) override;
    DriverStatus Read(DeviceHandle handle, void* destination, std::uint32_t length,
                      std::uint32_t* returned) override;
    DriverStatus GetQueueStatus(DeviceHandle handle, std::uint32_t* queued) override;
    // Blocks in poll until `wanted` bytes are here, the time is up or the port hangs up.
    bool WaitForBytes(DeviceHandle handle, std::uint32_t wanted, std::uint32_t milliseconds) override;

    const PortOpenFailure& LastOpenFailure() const { return openFailure_; }

  private:
    bool Usable(DeviceHandle handle) const { return fd_ >= 0 && !hungUp_ && handle == this; }
    std::size_t Buffered() const { return end_ - begin_; }
    // One read of whatever the kernel holds, appended to the buffer. False when the port has hung up.
    bool TopUp();

    std::string portPath_;
    PortOpenFailure openFailure_;
    int fd_ = -1;
    // A hang-up (the bridge unplugged, the far end of a pseudo-terminal closed) fails every later call.
    bool hungUp_ = false;
    // Bytes read from the kernel and not yet taken: buffer_[begin_, end_). A tty read gives at most 4 KiB.
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    unsigned char buffer_[8192];
};
