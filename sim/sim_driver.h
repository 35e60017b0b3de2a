// The simulated instrument behind the driver seam, in process, on a virtual clock: waits advance the clock to
// the moment the awaited bytes are due, so a test of any time limit costs no real time.
#pragma once

#include <functional>
#include <string>

#include "link/driver.h"
#include "sim/instrument.h"
#include "sim/virtual_clock.h"

class SimDriver : public Driver {
  public:
    SimDriver(SimInstrument& instrument, VirtualClock& clock) : instrument_(instrument), clock_(clock) {}

    DriverStatus Open(int deviceNumber, DeviceHandle* handle) override;
    DriverStatus Close(DeviceHandle handle) override;
    DriverStatus Write(DeviceHandle handle, const void* source, std::uint32_t length,
                       std::uint32_t* written) override;
    DriverStatus Read(DeviceHandle handle, void* destination, std::uint32_t length,
                      std::uint32_t* returned) override;
    DriverStatus GetQueueStatus(DeviceHandle handle, std::uint32_t* queued) override;
    bool WaitForBytes(DeviceHandle handle, std::uint32_t wanted, std::uint32_t milliseconds) override;

    bool failOpen = false;  // no instrument on the USB port
    bool canWait = true;    // false: behave like a driver that can only be polled
    bool failQueueStatus = false;
    int opens = 0;
    int closes = 0;
    bool open = false;
    // Every open, close and write as it happens ("open", "close", "send 43"), for tests that check the order
    // of link events against message boxes.
    std::function<void(const std::string&)> onEvent;

  private:
    bool Usable(DeviceHandle handle) const;
    void Note(const std::string& event) const {
        if (onEvent) {
            onEvent(event);
        }
    }

    SimInstrument& instrument_;
    VirtualClock& clock_;
};
