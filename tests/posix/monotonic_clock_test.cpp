// The POSIX clock: its tick follows real time, and a signal does not cut a sleep short.
#include "platform/posix/monotonic_clock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>

#include <chrono>

namespace {

void Ignore(int /*signal*/) {}

TEST(MonotonicClock, SleepLastsItsTimeThroughASignalAndTheTickFollows) {
    struct sigaction action {};
    action.sa_handler = Ignore;
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    sigaction(SIGALRM, &action, &previous);
    itimerval timer{};
    timer.it_value.tv_usec = 20000;  // a signal 20 ms into the sleep
    setitimer(ITIMER_REAL, &timer, nullptr);

    for (MonotonicClock::Tick tick : {MonotonicClock::Tick::Coarse, MonotonicClock::Tick::Precise}) {
        MonotonicClock clock(tick);
        std::uint32_t before = clock.TickCount();
        auto start = std::chrono::steady_clock::now();
        clock.Sleep(60);
        auto slept = std::chrono::steady_clock::now() - start;
        std::uint32_t ticked = clock.TickCount() - before;
        EXPECT_GE(slept, std::chrono::milliseconds(60));
        EXPECT_GE(ticked, 55u) << "the coarse tick may trail by one kernel tick";
        EXPECT_LT(ticked, 1000u);
    }
    sigaction(SIGALRM, &previous, nullptr);
}

}  // namespace
