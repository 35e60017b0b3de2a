// Drives a running fetchwell.exe from outside, as a user would: finds its dialog by the title, reads control
// texts, posts commands and keys, answers its message boxes. Every wait is bounded.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// How long any single wait for the program lasts before the test gives up.
inline constexpr DWORD PATIENCE_MS = 20000;

// Polls `condition` until it holds or `milliseconds` pass; true when it held.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD milliseconds = PATIENCE_MS) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount() - start > milliseconds) {
            return false;
        }
        Sleep(20);
    }
}

// A message box of the program, as the user sees it.
struct MessageBoxView {
    HWND window = nullptr;
    std::string caption;
    std::string text;                // the last of its texts: a message box has only one
    std::vector<std::string> texts;  // every text it shows besides its buttons' labels
    std::vector<int> buttons;        // the ids of its buttons, IDOK, IDYES, IDNO ...
    int defaultButton = 0;           // the one that Enter presses
};

class ProgramDriver {
  public:
    ProgramDriver() = default;
    ~ProgramDriver();
    ProgramDriver(const ProgramDriver&) = delete;
    ProgramDriver& operator=(const ProgramDriver&) = delete;

    // Starts the program in `folder` (its current directory too); it inherits this process's environment.
    bool Start(const std::string& program, const std::string& folder);
    // Waits until the main dialog is up and visible.
    bool WaitForDialog();
    HWND Dialog() const { return dialog_; }

    std::string Text(int controlId) const;
    bool Enabled(int controlId) const;
    // Clicks a button the way the mouse does (it must be enabled to react).
    void Click(int controlId) const;
    // A command straight to the dialog, as the window system sends it for a control or a key.
    void Command(int commandId) const;
    // The close box in the title bar.
    void CloseBox() const;
    // Types into the folder field, one character at a time.
    void Type(const std::string& characters) const;
    // Selects the whole folder field, or puts the caret at its end.
    void SelectAll() const;
    void CaretToEnd() const;

    // Waits for a visible message box of the program with this caption.
    bool WaitForBox(const std::string& caption, MessageBoxView* box) const;
    // Any visible message box of the program: none, or the first found.
    bool AnyBox(MessageBoxView* box) const;
    // Presses a button of a box.
    void Answer(const MessageBoxView& box, int buttonId) const;
    // Waits until the box is gone.
    bool WaitUntilClosed(const MessageBoxView& box) const;

    // Waits for the program to end, and its exit code.
    bool WaitForExit(DWORD* exitCode, DWORD milliseconds = PATIENCE_MS);
    bool Running() const;
    DWORD ProcessId() const { return process_.dwProcessId; }

  private:
    PROCESS_INFORMATION process_{};
    HWND dialog_ = nullptr;
};

// The text of a window of another process, asked of the window itself (bounded if the program is busy).
std::string WindowText(HWND window);
// The program's top-level windows of the dialog class with this title that are visible.
std::vector<HWND> VisibleDialogs(DWORD processId, const std::string& title);
