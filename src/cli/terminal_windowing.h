// The windowing seam for a terminal: the status line and the error texts on stderr, the erase questions as
// prompts, and Ctrl-C passed to the download run as the Cancel button.
#pragma once

#include <csignal>
#include <cstdio>
#include <functional>

#include "cli/options.h"
#include "ui/windowing.h"

struct TerminalSettings {
    bool quiet = false;  // no status lines
    EraseAnswer erase = EraseAnswer::Ask;
    bool outputIsTerminal = false;  // the status line is rewritten in place rather than one line each
    bool inputIsTerminal = false;   // the erase questions can be asked
};

class TerminalWindowing : public Windowing {
  public:
    // `interrupt` is the flag the SIGINT handler sets; the pump moves it into cancelRequested.
    TerminalWindowing(std::FILE* output, int input, const TerminalSettings& settings,
                      volatile std::sig_atomic_t* interrupt);

    int LoadText(int textId, char* buffer, int capacity) override;
    void SetControlText(WindowHandle dialog, int controlId, const char* text) override;
    int GetControlText(WindowHandle dialog, int controlId, char* buffer, int capacity) override;
    void EnableControl(WindowHandle, int, bool) override {}
    void FocusControl(WindowHandle, int) override {}
    void EndDialog(WindowHandle, int) override {}
    WindowRect GetWindowRect(WindowHandle) override { return {0, 0, 0, 0}; }
    int GetScreenMetric(int) override { return 0; }
    void MoveWindowTo(WindowHandle, int, int) override {}
    // The terminal stands for the dialog, so the status line is set after an error as in the dialog.
    WindowHandle ActiveWindow() override { return this; }
    int ShowMessageBox(WindowHandle owner, const char* body, const char* caption, unsigned flags) override;
    void HandleOneMessage(WindowHandle dialog) override;

    // Ends a status line that is still open on the terminal.
    void Finish();
    // What the run showed: its first error box's text id, and its last status line's (0: the progress line).
    int ErrorTextId() const { return errorTextId_; }
    int StatusTextId() const { return statusTextId_; }

    // Called after an error box's text, with its id: room for a line on what the user can do.
    std::function<void(int textId)> afterError;

  private:
    void EndStatusLine();
    int Ask(const char* question);

    std::FILE* output_;
    int input_;
    TerminalSettings settings_;
    volatile std::sig_atomic_t* interrupt_;
    bool statusLineOpen_ = false;
    int errorTextId_ = 0;
    int statusTextId_ = 0;
};
