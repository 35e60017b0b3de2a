// The clock seam on Windows.
#include <windows.h>

#include "platform/windows/windows_clock.h"

std::uint32_t WindowsClock::TickCount() {
    return GetTickCount();
}

void WindowsClock::Sleep(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}
