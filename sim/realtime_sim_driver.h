// The simulated instrument behind the driver seam, in process, in real time: the `--simulate` of the front
// ends. Its bytes come when their time comes on the given clock, and a wait sleeps until then.
#pragma once

#include "link/clock.h"
#include "link/driver.h"
#include "sim/instrument.h"
#include "sim/sim_driver.h"
#include "sim/virtual_clock.h"

class RealtimeSimDriver : public Driver {
  public:
    RealtimeSimDriver(SimInstrument& instrument, Clock& clock);

    DriverStatus Open(int deviceNumber, DeviceHandle* handle) override;
    DriverStatus Close(DeviceHandle handle) override;
    DriverStatus Write(DeviceHandle handle, const void* source, std::uint32_t length,
                       std::uint32_t* written) override;
    DriverStatus Read(DeviceHandle handle, void* destination, std::uint32_t length,
                      std::uint32_t* returned) override;
    DriverStatus GetQueueStatus(DeviceHandle handle, std::uint32_t* queued) override;
    // Sleeps on the real clock until the wanted bytes are due, or for the whole time when they are not
    // coming.
    bool WaitForBytes(DeviceHandle handle, std::uint32_t wanted, std::uint32_t milliseconds) override;

  private:
    // Moves the in-process driver's clock on by the real time passed since the last call.
    void CatchUp();

    SimInstrument& instrument_;
    Clock& clock_;
    std::uint32_t lastTick_;
    // SimDriver does all the work; it only needs a clock that shows real time when it is asked.
    VirtualClock followingClock_;
    SimDriver driver_;
};
