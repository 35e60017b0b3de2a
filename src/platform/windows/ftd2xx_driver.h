// The driver seam on Windows: FTDI's FTD2XX.DLL, loaded when the link is first opened.
#pragma once

#include <windows.h>

#include "link/driver.h"
#include "platform/windows/ftd2xx_api.h"

class Ftd2xxDriver : public Driver {
  public:
    explicit Ftd2xxDriver(const char* libraryName = FTD2XX_LIBRARY_NAME) : libraryName_(libraryName) {}
    ~Ftd2xxDriver() override;
    Ftd2xxDriver(const Ftd2xxDriver&) = delete;
    Ftd2xxDriver& operator=(const Ftd2xxDriver&) = delete;

    // Fails, as a missing instrument does, when the library or one of its calls cannot be found.
    DriverStatus Open(int deviceNumber, DeviceHandle* handle) override;
    DriverStatus Close(DeviceHandle handle) override;
    DriverStatus Write(DeviceHandle handle, const void* source, std::uint32_t length,
                       std::uint32_t* written) override;
    DriverStatus Read(DeviceHandle handle, void* destination, std::uint32_t length,
                      std::uint32_t* returned) override;
    DriverStatus GetQueueStatus(DeviceHandle handle, std::uint32_t* queued) override;

  private:
    bool Load();

    const char* libraryName_;
    HMODULE library_ = nullptr;
    FtOpenCall open_ = nullptr;
    FtCloseCall close_ = nullptr;
    FtWriteCall write_ = nullptr;
    FtReadCall read_ = nullptr;
    FtGetQueueStatusCall getQueueStatus_ = nullptr;
};
