// The clock seam on Windows: the system's millisecond tick count, which wraps after 49.7 days, and Sleep.
#pragma once

#include "link/clock.h"

class WindowsClock : public Clock {
  public:
    std::uint32_t TickCount() override;
    void Sleep(std::uint32_t milliseconds) override;
};
