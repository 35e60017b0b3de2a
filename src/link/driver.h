// The driver seam: the five calls the link makes to the USB-serial driver, plus an optional blocking wait.
// Every call returns a status; 0 is success and any other value is failure.
#pragma once

#include <cstdint>

using DeviceHandle = void*;
using DriverStatus = std::uint32_t;

inline constexpr DriverStatus DRIVER_OK = 0;
inline constexpr DriverStatus DRIVER_IO_ERROR = 4;

class Driver {
  public:
    virtual ~Driver() = default;

    virtual DriverStatus Open(int deviceNumber, DeviceHandle* handle) = 0;
    virtual DriverStatus Close(DeviceHandle handle) = 0;
    virtual DriverStatus Write(DeviceHandle handle, const void* source, std::uint32_t length,
                               std::uint32_t* written) = 0;
    virtual DriverStatus Read(DeviceHandle handle, void* destination, std::uint32_t length,
                              std::uint32_t* returned) = 0;
    virtual DriverStatus GetQueueStatus(DeviceHandle handle, std::uint32_t* queued) = 0;

    // Sleeps until at least `wanted` bytes are queued, `milliseconds` pass or the device fails, whichever
    // comes first. A driver that cannot block returns false at once and the link polls instead; the
    // link looks at the queue again after every wait, so an early or spurious return is harmless.
    virtual bool WaitForBytes(DeviceHandle /*handle*/, std::uint32_t /*wanted*/,
                              std::uint32_t /*milliseconds*/) {
        return false;
    }
};

// The entry point installs the platform's driver before the first link operation.
void InstallDriver(Driver* driver);
Driver& InstalledDriver();
