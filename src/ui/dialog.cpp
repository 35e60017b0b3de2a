// The main dialog's message procedure: its start, its two states (Idle and Downloading) and its seven
// controls' commands, over the windowing seam so that the Win32 and the Qt front ends share it.
#include "ui/dialog.h"

#include "download/download_run.h"
#include "settings/report_folder.h"
#include "shared_state.h"
#include "ui/alerts.h"
#include "ui/resource_ids.h"

namespace {

// The controls that take input; the download disables them in this order and enables them again in the same.
constexpr int INPUT_CONTROLS[] = {IDC_DOWNLOAD, IDC_BROWSE, IDC_HELP, IDC_FOLDER};

void EnableInputs(WindowHandle dialog, bool enabled) {
    for (int controlId : INPUT_CONTROLS) {
        InstalledWindowing().EnableControl(dialog, controlId, enabled);
    }
}

int OnFolderCommand(WindowHandle dialog, unsigned notification) {
    if (notification == EN_CHANGE) {
        InstalledWindowing().GetControlText(dialog, IDC_FOLDER, reportFolder, sizeof reportFolder);
        SaveReportFolder();
    }
    return 1;
}

int OnDownloadCommand(WindowHandle dialog) {
    // The button is disabled for the whole run; a command that reaches us anyway must not start a second run
    // inside the first, on the same link and the same buffers.
    if (downloadActive != 0) {
        return 1;
    }
    EnableInputs(dialog, false);
    SetStatus(dialog, IDC_EXIT, IDS_CANCEL);
    downloadActive = 1;
    RunDownload();
    EnableInputs(dialog, true);
    SetStatus(dialog, IDC_EXIT, IDS_EXIT);
    downloadActive = 0;
    return 1;
}

int OnExitCommand(WindowHandle dialog) {
    if (downloadActive == 1) {
        // The run hears this at its next cancel check; the dialog stays in Downloading until the run returns.
        cancelRequested = 1;
    } else {
        InstalledWindowing().EndDialog(dialog, 0);
    }
    return 1;
}

int OnBrowseCommand(WindowHandle dialog) {
    if (BrowseReportFolder() != 0) {
        InstalledWindowing().SetControlText(dialog, IDC_FOLDER, reportFolder);
        SaveReportFolder();
    }
    return 1;
}

int OnCommand(WindowHandle dialog, unsigned controlId, unsigned notification) {
    switch (controlId) {
        case IDC_FOLDER:
            return OnFolderCommand(dialog, notification);
        case IDC_DOWNLOAD:
            return OnDownloadCommand(dialog);
        case IDC_EXIT:
            return OnExitCommand(dialog);
        case IDC_BROWSE:
            return OnBrowseCommand(dialog);
        case IDC_HELP:
            ShowHelp();
            return 1;
        default:
            // The two static texts, and IDCANCEL, which the platform raises for Esc: Esc leaves the window
            // open.
            return 0;
    }
}

}  // namespace

int MainDialogProc(WindowHandle dialog, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog, wParam, lParam);
            // The focus stays where OnInitDialog put it.
            return 0;
        case WM_CLOSE:
            // Ends the dialog in every state; a running download is not cancelled and goes on to its end.
            InstalledWindowing().EndDialog(dialog, 0);
            return 1;
        case WM_COMMAND:
            return OnCommand(dialog, static_cast<unsigned>(wParam & 0xFFFFu),
                             static_cast<unsigned>((wParam >> 16) & 0xFFFFu));
        default:
            return 0;
    }
}

int OnInitDialog(WindowHandle dialog, std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
    downloadActive = 0;
    cancelRequested = 0;
    CentreWindow(dialog);
    LoadReportFolder();
    InstalledWindowing().SetControlText(dialog, IDC_FOLDER, reportFolder);
    SetStatus(dialog, IDC_STATUS, IDS_STATUS_IDLE);
    InstalledWindowing().FocusControl(dialog, IDC_DOWNLOAD);
    return 1;
}

void CentreWindow(WindowHandle window) {
    Windowing& windowing = InstalledWindowing();
    WindowRect rect = windowing.GetWindowRect(window);
    int screenWidth = windowing.GetScreenMetric(SM_CXSCREEN);
    int screenHeight = windowing.GetScreenMetric(SM_CYSCREEN);
    // Signed division truncates toward zero, also for a window wider than the screen: 640 - 643 gives -1.
    int x = (screenWidth - (rect.right - rect.left)) / 2;
    int y = (screenHeight - (rect.bottom - rect.top)) / 2;
    windowing.MoveWindowTo(window, x, y);
}
