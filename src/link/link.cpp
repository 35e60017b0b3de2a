// The eight link operations over the installed driver and clock.
#include "link/link.h"

#include <climits>
#include <cstring>

#include "link/clock.h"

DeviceHandle deviceHandle = nullptr;
unsigned char sendStaging[SEND_STAGING_SIZE];

namespace {

Driver* installedDriver = nullptr;

// Elapsed time is unsigned 32-bit subtraction, so a wrap of the tick count between the two readings is
// harmless.
std::uint32_t ElapsedSince(std::uint32_t start) {
    return InstalledClock().TickCount() - start;
}

// Lets a driver that can block sleep until data may be there instead of spinning. The wait ends no later than
// the first moment at which the caller's limit counts as passed (elapsed > limit), so the rules of the spin
// loop stay exactly as they are: the caller polls again after every wait and decides by the clock.
void WaitForMore(std::uint32_t wanted, std::uint32_t elapsed, unsigned limitMs) {
    std::uint32_t remaining = limitMs - elapsed + 1;
    if (remaining == 0) {  // limit of UINT_MAX: wait in slices rather than not at all
        remaining = UINT32_MAX;
    }
    InstalledDriver().WaitForBytes(deviceHandle, wanted, remaining);
}

}  // namespace

void InstallDriver(Driver* driver) {
    installedDriver = driver;
}
Driver& InstalledDriver() {
    return *installedDriver;
}

int LinkOpen() {
    return InstalledDriver().Open(0, &deviceHandle) == DRIVER_OK ? 0 : -1;
}

int LinkClose() {
    return static_cast<int>(InstalledDriver().Close(deviceHandle));
}

int LinkSendByte(int value) {
    unsigned char byte = static_cast<unsigned char>(value & 0xFF);
    std::uint32_t written = 0;
    if (InstalledDriver().Write(deviceHandle, &byte, 1, &written) != DRIVER_OK) {
        return 0;
    }
    return static_cast<int>(written);
}

int LinkSendText(const void* source, unsigned length) {
    if (length == 0) {
        return 0;
    }
    if (length > SEND_STAGING_SIZE) {
        length = SEND_STAGING_SIZE;
    }
    std::memcpy(sendStaging, source, length);
    std::uint32_t written = 0;
    if (InstalledDriver().Write(deviceHandle, sendStaging, length, &written) != DRIVER_OK) {
        return 0;
    }
    return static_cast<int>(written);
}

int LinkQueuedBytes() {
    std::uint32_t queued = 0;
    if (InstalledDriver().GetQueueStatus(deviceHandle, &queued) != DRIVER_OK) {
        return -1;
    }
    return queued > INT_MAX ? INT_MAX : static_cast<int>(queued);
}

int LinkPollByte() {
    int queued = LinkQueuedBytes();
    if (queued == -1) {
        return LINK_FAILED;
    }
    if (queued == 0) {
        return LINK_TIMEOUT;
    }
    unsigned char byte = 0;
    std::uint32_t returned = 0;
    if (InstalledDriver().Read(deviceHandle, &byte, 1, &returned) != DRIVER_OK) {
        return LINK_FAILED;
    }
    return byte;
}

int LinkReadByte(unsigned limitMs) {
    // A byte already queued needs no clock: most bytes of a transfer are taken here, and reading the tick
    // count for each of them would be most of the cost. The poll takes microseconds, far below the tick.
    int result = LinkPollByte();
    if (result != LINK_TIMEOUT) {
        return result;
    }
    std::uint32_t start = InstalledClock().TickCount();
    for (;;) {
        std::uint32_t elapsed = ElapsedSince(start);
        if (elapsed > limitMs) {
            return LINK_TIMEOUT;
        }
        WaitForMore(1, elapsed, limitMs);
        result = LinkPollByte();
        if (result != LINK_TIMEOUT) {
            return result;
        }
    }
}

int LinkReadBlock(void* destination, unsigned length, unsigned limitMs) {
    std::uint32_t start = InstalledClock().TickCount();
    for (;;) {
        int queued = LinkQueuedBytes();
        if (queued == -1) {
            return LINK_FAILED;
        }
        if (static_cast<unsigned>(queued) >= length) {
            std::uint32_t returned = 0;
            if (InstalledDriver().Read(deviceHandle, destination, length, &returned) != DRIVER_OK) {
                return LINK_FAILED;
            }
            return returned > INT_MAX ? INT_MAX : static_cast<int>(returned);
        }
        std::uint32_t elapsed = ElapsedSince(start);
        if (elapsed > limitMs) {
            return LINK_TIMEOUT;
        }
        WaitForMore(length, elapsed, limitMs);
    }
}
