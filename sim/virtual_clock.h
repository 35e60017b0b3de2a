// A clock for tests: time moves only when the code waits or sleeps, so every time limit runs instantly.
#pragma once

#include <cstdint>
#include <vector>

#include "link/clock.h"

class VirtualClock : public Clock {
  public:
    explicit VirtualClock(std::uint32_t start = 0) : now_(start) {}

    std::uint32_t TickCount() override {
        std::uint32_t tick = now_;
        now_ += stepPerReading;
        return tick;
    }
    void Sleep(std::uint32_t milliseconds) override {
        sleeps.push_back(milliseconds);
        now_ += milliseconds;
    }

    std::uint32_t Now() const { return now_; }
    void Advance(std::uint32_t milliseconds) { now_ += milliseconds; }

    // For a driver that cannot block: each reading of the tick count moves time on, as spinning would.
    std::uint32_t stepPerReading = 0;
    std::vector<std::uint32_t> sleeps;

  private:
    std::uint32_t now_;
};
