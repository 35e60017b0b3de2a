// The windowing seam on Windows: USER32, and the string table of the program's own resources.
#pragma once

#include <windows.h>

#include "ui/windowing.h"

class Win32Windowing : public Windowing {
  public:
    // `resources` is the module whose string table the texts come from: the program itself.
    explicit Win32Windowing(HINSTANCE resources) : resources_(resources) {}

    int LoadText(int textId, char* buffer, int capacity) override;
    void SetControlText(WindowHandle dialog, int controlId, const char* text) override;
    int GetControlText(WindowHandle dialog, int controlId, char* buffer, int capacity) override;
    void EnableControl(WindowHandle dialog, int controlId, bool enabled) override;
    void FocusControl(WindowHandle dialog, int controlId) override;
    void EndDialog(WindowHandle dialog, int result) override;
    WindowRect GetWindowRect(WindowHandle window) override;
    int GetScreenMetric(int which) override;
    void MoveWindowTo(WindowHandle window, int x, int y) override;
    WindowHandle ActiveWindow() override;
    int ShowMessageBox(WindowHandle owner, const char* body, const char* caption, unsigned flags) override;
    void HandleOneMessage(WindowHandle dialog) override;

  private:
    HINSTANCE resources_;
};
