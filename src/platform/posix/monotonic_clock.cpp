// The monotonic clock behind the clock seam.
#include "platform/posix/monotonic_clock.h"

#include <cerrno>
#include <ctime>

std::uint32_t MonotonicClock::TickCount() {
    timespec now{};
    clock_gettime(tick_ == Tick::Coarse ? CLOCK_MONOTONIC_COARSE : CLOCK_MONOTONIC, &now);
    // Truncated to 32 bits on purpose: the link takes elapsed times by unsigned subtraction across the wrap.
    auto milliseconds = static_cast<unsigned long long>(now.tv_sec) * 1000ULL +
                        static_cast<unsigned long long>(now.tv_nsec) / 1000000ULL;
    return static_cast<std::uint32_t>(milliseconds);
}

void MonotonicClock::Sleep(std::uint32_t milliseconds) {
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += static_cast<time_t>(milliseconds / 1000);
    deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    // An absolute deadline, so a Ctrl-C that interrupts the sleep does not shorten it.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}
