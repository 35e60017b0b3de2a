// The in-process simulated driver on a real clock.
#include "sim/realtime_sim_driver.h"

RealtimeSimDriver::RealtimeSimDriver(SimInstrument& instrument, Clock& clock)
    : instrument_(instrument),
      clock_(clock),
      lastTick_(clock.TickCount()),
      followingClock_(lastTick_),
      driver_(instrument, followingClock_) {}

void RealtimeSimDriver::CatchUp() {
    std::uint32_t now = clock_.TickCount();
    followingClock_.Advance(now - lastTick_);
    lastTick_ = now;
}

DriverStatus RealtimeSimDriver::Open(int deviceNumber, DeviceHandle* handle) {
    CatchUp();
    return driver_.Open(deviceNumber, handle);
}

DriverStatus RealtimeSimDriver::Close(DeviceHandle handle) {
    CatchUp();
    return driver_.Close(handle);
}

DriverStatus RealtimeSimDriver::Write(DeviceHandle handle, const void* source, std::uint32_t length,
                                      std::uint32_t* written) {
    CatchUp();
    return driver_.Write(handle, source, length, written);
}

DriverStatus RealtimeSimDriver::Read(DeviceHandle handle, void* destination, std::uint32_t length,
                                     std::uint32_t* returned) {
    CatchUp();
    return driver_.Read(handle, destination, length, returned);
}

DriverStatus RealtimeSimDriver::GetQueueStatus(DeviceHandle handle, std::uint32_t* queued) {
    CatchUp();
    return driver_.GetQueueStatus(handle, queued);
}

bool RealtimeSimDriver::WaitForBytes(DeviceHandle /*handle*/, std::uint32_t wanted,
                                     std::uint32_t milliseconds) {
    CatchUp();
    std::uint32_t due = 0;
    if (!instrument_.Unplugged() && instrument_.MillisecondsUntil(wanted, followingClock_.Now(), &due) &&
        due < milliseconds) {
        milliseconds = due;
    }
    clock_.Sleep(milliseconds);
    return true;
}
