// The clock seam: a wrapping 32-bit millisecond tick count and a sleep, for every time limit and pause.
#pragma once

#include <cstdint>

class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::uint32_t TickCount() = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
};

// The entry point installs the platform's clock before the first link operation.
void InstallClock(Clock* clock);
Clock& InstalledClock();
