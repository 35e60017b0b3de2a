// The clock seam on POSIX: a monotonic millisecond tick, wrapping at 32 bits like a Windows tick count.
#pragma once

#include "link/clock.h"

class MonotonicClock : public Clock {
  public:
    enum class Tick {
        // CLOCK_MONOTONIC_COARSE, for the host: the link reads the tick for every byte it takes, and the
        // coarse
        // clock is read from memory alone (9 ns against 30 ns on the benchmark machine). It moves in steps of
        // one kernel tick, 1 to 4 ms, finer than the 10 to 16 ms of Windows' tick count; the protocol's time
        // limits are 50 ms and more, and the waits themselves sleep in poll to the millisecond.
        Coarse,
        // CLOCK_MONOTONIC, for the simulated instrument, whose pace is finer than a kernel tick.
        Precise,
    };

    explicit MonotonicClock(Tick tick = Tick::Coarse) : tick_(tick) {}

    std::uint32_t TickCount() override;
    // Sleeps the whole time even when a signal arrives meanwhile: a pause is never cut short.
    void Sleep(std::uint32_t milliseconds) override;

  private:
    Tick tick_;
};
