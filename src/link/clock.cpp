// Where the installed clock lives.
#include "link/clock.h"

namespace {
Clock* installedClock = nullptr;
}

void InstallClock(Clock* clock) {
    installedClock = clock;
}
Clock& InstalledClock() {
    return *installedClock;
}
