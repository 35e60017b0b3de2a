// The windowing seam: what the program's logic asks of the window system. Win32 on Windows, Qt on Linux, and
// a recording fake in tests. Windows are opaque handles; a null handle means "no window".
#pragma once

#include "ui/win_constants.h"

using WindowHandle = void*;

struct WindowRect {
    int left;
    int top;
    int right;
    int bottom;
};

class Windowing {
  public:
    virtual ~Windowing() = default;

    // Copies the string-table text of an id: at most capacity - 1 characters and the terminator. Returns the
    // length.
    virtual int LoadText(int textId, char* buffer, int capacity) = 0;
    virtual void SetControlText(WindowHandle dialog, int controlId, const char* text) = 0;
    // Copies a control's text: at most capacity - 1 characters and the terminator. Returns the length.
    virtual int GetControlText(WindowHandle dialog, int controlId, char* buffer, int capacity) = 0;
    virtual void EnableControl(WindowHandle dialog, int controlId, bool enabled) = 0;
    virtual void FocusControl(WindowHandle dialog, int controlId) = 0;
    virtual void EndDialog(WindowHandle dialog, int result) = 0;
    // The window's outer rectangle in screen pixels.
    virtual WindowRect GetWindowRect(WindowHandle window) = 0;
    // SM_CXSCREEN or SM_CYSCREEN: the primary screen's width or height in pixels.
    virtual int GetScreenMetric(int which) = 0;
    // Moves the window to the top of the z-order at (x, y), keeping its size, without activating it.
    virtual void MoveWindowTo(WindowHandle window, int x, int y) = 0;
    // The window active on the program's thread, or null.
    virtual WindowHandle ActiveWindow() = 0;
    // A modal box; returns the id of the button that closed it (IDOK, IDYES, IDNO).
    virtual int ShowMessageBox(WindowHandle owner, const char* body, const char* caption, unsigned flags) = 0;
    // Handles at most one waiting message of the dialog, without waiting for one.
    virtual void HandleOneMessage(WindowHandle dialog) = 0;
};

// The entry point installs the platform's windowing before the dialog or a download starts.
void InstallWindowing(Windowing* windowing);
Windowing& InstalledWindowing();
