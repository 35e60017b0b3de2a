// The status line and the program's message boxes.
#include "ui/alerts.h"

#include "shared_state.h"

namespace {
Windowing* installedWindowing = nullptr;
}

void InstallWindowing(Windowing* windowing) {
    installedWindowing = windowing;
}
Windowing& InstalledWindowing() {
    return *installedWindowing;
}

void SetStatus(WindowHandle dialog, int controlId, int textId) {
    InstalledWindowing().LoadText(textId, scratchText, sizeof scratchText);
    InstalledWindowing().SetControlText(dialog, controlId, scratchText);
}

void ShowError(int textId) {
    Windowing& windowing = InstalledWindowing();
    WindowHandle owner = windowing.ActiveWindow();
    char caption[CAPTION_SIZE];
    windowing.LoadText(IDS_ERROR_CAPTION, caption, sizeof caption);
    windowing.LoadText(textId, scratchText, sizeof scratchText);
    windowing.ShowMessageBox(owner, scratchText, caption, MB_OK | MB_ICONERROR);
    // With another program active there is no dialog to act on, and the status line keeps its text.
    if (owner != nullptr) {
        SetStatus(owner, IDC_STATUS, IDS_STATUS_CANCELLED);
    }
}

void ShowHelp() {
    Windowing& windowing = InstalledWindowing();
    WindowHandle owner = windowing.ActiveWindow();
    char caption[CAPTION_SIZE];
    windowing.LoadText(IDS_HELP_CAPTION, caption, sizeof caption);
    windowing.LoadText(IDS_HELP_TEXT, scratchText, sizeof scratchText);
    windowing.ShowMessageBox(owner, scratchText, caption, MB_OK);
}

int ConfirmErase() {
    Windowing& windowing = InstalledWindowing();
    WindowHandle owner = windowing.ActiveWindow();
    char caption[CAPTION_SIZE];
    windowing.LoadText(IDS_ERASE_CAPTION, caption, sizeof caption);
    windowing.LoadText(IDS_ERASE_ASK, scratchText, sizeof scratchText);
    if (windowing.ShowMessageBox(owner, scratchText, caption, MB_YESNO | MB_DEFBUTTON2) != IDYES) {
        return 0;
    }
    windowing.LoadText(IDS_ERASE_CONFIRM, scratchText, sizeof scratchText);
    if (windowing.ShowMessageBox(owner, scratchText, caption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) !=
        IDYES) {
        return 0;
    }
    return 1;
}
