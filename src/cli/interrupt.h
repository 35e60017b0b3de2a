// Ctrl-C as the Cancel button: the handler only notes it; the windowing's pump passes it to the download run.
#pragma once

#include <csignal>

extern volatile std::sig_atomic_t interruptRequested;

// SIGINT sets interruptRequested and nothing else. Interrupted reads and writes go on (SA_RESTART); poll and
// the sleeps come back early or go on by themselves.
void InstallInterruptHandler();
