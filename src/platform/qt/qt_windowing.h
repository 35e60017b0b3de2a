// The windowing and folder-picker seams in Qt Widgets: control texts and states through the main dialog's
// controls, message boxes as QMessageBox, the folder picker as QFileDialog, the pump as one pass of Qt's
// events.
#pragma once

#include <QPointer>
#include <QWidget>

#include "settings/setting_store.h"
#include "ui/windowing.h"

// Window handles are QWidget pointers. A handle that names no top-level window of the program (any more)
// gives null, so a stale handle is never followed.
QWidget* WidgetOf(WindowHandle handle);

class QtWindowing : public Windowing {
  public:
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
    // A control that had the focus when it was disabled; it gets it back when it is enabled.
    QPointer<QWidget> parkedFocus_;
};

class QtFolderPicker : public FolderPicker {
  public:
    // Opens at the desktop (the home folder where there is none), whatever the report folder is.
    bool PickFolder(void* owner, const char* title, char* path, unsigned capacity) override;
};
