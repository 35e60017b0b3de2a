// One download run: every report of the instrument into its own file, then the offer to erase the instrument.
#pragma once

#include "ui/windowing.h"

// The outcome shows on the status line, in message boxes and in the report folder.
void RunDownload();
// The cancel check: 1 when the run is cancelled and the link already closed.
int PollCancel(WindowHandle dialog);
void PumpOneMessage(WindowHandle dialog);
void AbortOnTimeout();
