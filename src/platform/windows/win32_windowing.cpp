// The windowing seam on Windows: each operation is one or two USER32 calls.
#include "platform/windows/win32_windowing.h"

namespace {

HWND Window(WindowHandle handle) {
    return static_cast<HWND>(handle);
}

}  // namespace

int Win32Windowing::LoadText(int textId, char* buffer, int capacity) {
    if (capacity <= 0) {
        return 0;
    }
    // An id outside the table leaves the buffer as it was: it is the empty text then, as for a missing text.
    buffer[0] = '\0';
    return LoadStringA(resources_, static_cast<UINT>(textId), buffer, capacity);
}

void Win32Windowing::SetControlText(WindowHandle dialog, int controlId, const char* text) {
    SetDlgItemTextA(Window(dialog), controlId, text);
}

int Win32Windowing::GetControlText(WindowHandle dialog, int controlId, char* buffer, int capacity) {
    if (capacity <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    return static_cast<int>(GetDlgItemTextA(Window(dialog), controlId, buffer, capacity));
}

void Win32Windowing::EnableControl(WindowHandle dialog, int controlId, bool enabled) {
    EnableWindow(GetDlgItem(Window(dialog), controlId), enabled ? TRUE : FALSE);
}

void Win32Windowing::FocusControl(WindowHandle dialog, int controlId) {
    SetFocus(GetDlgItem(Window(dialog), controlId));
}

void Win32Windowing::EndDialog(WindowHandle dialog, int result) {
    ::EndDialog(Window(dialog), result);
}

WindowRect Win32Windowing::GetWindowRect(WindowHandle window) {
    RECT rect{};
    ::GetWindowRect(Window(window), &rect);
    return {rect.left, rect.top, rect.right, rect.bottom};
}

int Win32Windowing::GetScreenMetric(int which) {
    return GetSystemMetrics(which);
}

void Win32Windowing::MoveWindowTo(WindowHandle window, int x, int y) {
    SetWindowPos(Window(window), HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

WindowHandle Win32Windowing::ActiveWindow() {
    return GetActiveWindow();
}

int Win32Windowing::ShowMessageBox(WindowHandle owner, const char* body, const char* caption,
                                   unsigned flags) {
    return MessageBoxA(Window(owner), body, caption, flags);
}

void Win32Windowing::HandleOneMessage(WindowHandle dialog) {
    MSG message;
    if (PeekMessageA(&message, Window(dialog), 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
