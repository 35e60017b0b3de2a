// The SIGINT handler.
#include "cli/interrupt.h"

volatile std::sig_atomic_t interruptRequested = 0;

namespace {

void NoteInterrupt(int /*signal*/) {
    interruptRequested = 1;
}

}  // namespace

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = NoteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}
