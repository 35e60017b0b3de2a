// The in-process simulated driver.
#include "sim/sim_driver.h"

#include "sim/byte_trace.h"

namespace {
constexpr DriverStatus DEVICE_NOT_FOUND = 2;
}

bool SimDriver::Usable(DeviceHandle handle) const {
    return open && handle == static_cast<const void*>(this) && !instrument_.Unplugged();
}

DriverStatus SimDriver::Open(int deviceNumber, DeviceHandle* handle) {
    if (failOpen || deviceNumber != 0 || open) {
        return DEVICE_NOT_FOUND;
    }
    open = true;
    ++opens;
    *handle = this;
    Note("open");
    return DRIVER_OK;
}

DriverStatus SimDriver::Close(DeviceHandle handle) {
    Note("close");
    ++closes;
    if (!open || handle != static_cast<void*>(this)) {
        return DRIVER_IO_ERROR;
    }
    open = false;
    return DRIVER_OK;
}

DriverStatus SimDriver::Write(DeviceHandle handle, const void* source, std::uint32_t length,
                              std::uint32_t* written) {
    if (onEvent) {
        onEvent("send" + HexBytes(source, length));
    }
    if (!Usable(handle)) {
        return DRIVER_IO_ERROR;
    }
    instrument_.Receive(static_cast<const std::uint8_t*>(source), length, clock_.Now());
    *written = length;
    return DRIVER_OK;
}

DriverStatus SimDriver::Read(DeviceHandle handle, void* destination, std::uint32_t length,
                             std::uint32_t* returned) {
    if (!Usable(handle)) {
        return DRIVER_IO_ERROR;
    }
    *returned = static_cast<std::uint32_t>(
        instrument_.Take(static_cast<std::uint8_t*>(destination), length, clock_.Now()));
    return DRIVER_OK;
}

DriverStatus SimDriver::GetQueueStatus(DeviceHandle handle, std::uint32_t* queued) {
    if (!Usable(handle) || failQueueStatus) {
        return DRIVER_IO_ERROR;
    }
    *queued = static_cast<std::uint32_t>(instrument_.Available(clock_.Now()));
    return DRIVER_OK;
}

bool SimDriver::WaitForBytes(DeviceHandle handle, std::uint32_t wanted, std::uint32_t milliseconds) {
    if (!canWait) {
        return false;
    }
    std::uint32_t due = 0;
    if (Usable(handle) && instrument_.MillisecondsUntil(wanted, clock_.Now(), &due) && due < milliseconds) {
        clock_.Advance(due);
    } else {
        clock_.Advance(milliseconds);
    }
    return true;
}
