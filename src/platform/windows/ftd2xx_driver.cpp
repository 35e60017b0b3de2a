// The driver seam on Windows over FTD2XX.DLL. The library is looked up at run time, so the program starts,
// and says "not connected", on a PC where FTDI's driver was never installed.
#include "platform/windows/ftd2xx_driver.h"

namespace {

// Reported for every call made while the library is missing, as the driver reports a device it cannot reach.
constexpr DriverStatus LIBRARY_MISSING = 2;

template <typename Call>
bool Find(HMODULE library, const char* name, Call* call) {
    // GetProcAddress hands back a generic function pointer; the declared type is the call's own.
    *call = reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return *call != nullptr;
}

}  // namespace

Ftd2xxDriver::~Ftd2xxDriver() {
    if (library_ != nullptr) {
        FreeLibrary(library_);
    }
}

bool Ftd2xxDriver::Load() {
    if (library_ != nullptr) {
        return true;
    }
    HMODULE library = LoadLibraryA(libraryName_);
    if (library == nullptr) {
        return false;
    }
    if (!Find(library, "FT_Open", &open_) || !Find(library, "FT_Close", &close_) ||
        !Find(library, "FT_Write", &write_) || !Find(library, "FT_Read", &read_) ||
        !Find(library, "FT_GetQueueStatus", &getQueueStatus_)) {
        FreeLibrary(library);
        return false;
    }
    library_ = library;
    return true;
}

DriverStatus Ftd2xxDriver::Open(int deviceNumber, DeviceHandle* handle) {
    if (!Load()) {
        return LIBRARY_MISSING;
    }
    return open_(deviceNumber, handle);
}

DriverStatus Ftd2xxDriver::Close(DeviceHandle handle) {
    return library_ == nullptr ? LIBRARY_MISSING : close_(handle);
}

DriverStatus Ftd2xxDriver::Write(DeviceHandle handle, const void* source, std::uint32_t length,
                                 std::uint32_t* written) {
    if (library_ == nullptr) {
        return LIBRARY_MISSING;
    }
    DWORD count = 0;
    // The driver's declaration takes a non-const buffer; it only reads it.
    DriverStatus status = write_(handle, const_cast<void*>(source), length, &count);
    *written = count;
    return status;
}

DriverStatus Ftd2xxDriver::Read(DeviceHandle handle, void* destination, std::uint32_t length,
                                std::uint32_t* returned) {
    if (library_ == nullptr) {
        return LIBRARY_MISSING;
    }
    DWORD count = 0;
    DriverStatus status = read_(handle, destination, length, &count);
    *returned = count;
    return status;
}

DriverStatus Ftd2xxDriver::GetQueueStatus(DeviceHandle handle, std::uint32_t* queued) {
    if (library_ == nullptr) {
        return LIBRARY_MISSING;
    }
    DWORD count = 0;
    DriverStatus status = getQueueStatus_(handle, &count);
    *queued = count;
    return status;
}
