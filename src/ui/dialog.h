// The main dialog's message handling, shared by every front end: each feeds it the messages Win32 would send.
#pragma once

#include <cstdint>

#include "ui/windowing.h"

// Returns what a Win32 dialog procedure returns: nonzero when the message was handled.
int MainDialogProc(WindowHandle dialog, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
int OnInitDialog(WindowHandle dialog, std::uintptr_t wParam, std::intptr_t lParam);
void CentreWindow(WindowHandle window);
