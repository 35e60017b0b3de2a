// fetchwell.exe: installs the Windows services behind the seams and runs the main dialog.
#include <windows.h>
// After <windows.h>, which the common controls' header builds on.
#include <commctrl.h>

#include "download/directories.h"
#include "link/clock.h"
#include "link/driver.h"
#include "platform/windows/ftd2xx_driver.h"
#include "platform/windows/registry_store.h"
#include "platform/windows/resource_ids_windows.h"
#include "platform/windows/shell_folder_picker.h"
#include "platform/windows/win32_windowing.h"
#include "platform/windows/windows_clock.h"
#include "platform/windows/windows_directories.h"
#include "settings/setting_store.h"
#include "ui/dialog.h"

namespace {

// Each download makes the report folder the current directory, and a report folder can be anything, a USB
// stick included: the driver library must come only from the program's folder or the system's, never from
// there.
void KeepLibrariesOutOfTheCurrentDirectory() {
    // Looked up rather than imported: Windows 7 has it only with an update.
    using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);
    auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesCall>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories == nullptr || !setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS)) {
        SetDllDirectoryA("");
    }
}

INT_PTR CALLBACK DialogThunk(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return MainDialogProc(dialog, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/) {
    KeepLibrariesOutOfTheCurrentDirectory();

    static Ftd2xxDriver driver;
    static WindowsClock clock;
    static Win32Windowing windowing(instance);
    static WindowsDirectories directories;
    static RegistryStore store;
    static ShellFolderPicker picker;
    InstallDriver(&driver);
    InstallClock(&clock);
    InstallWindowing(&windowing);
    InstallDirectories(&directories);
    InstallSettingStore(&store);
    InstallFolderPicker(&picker);

    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof controls;
    controls.dwICC = 0xFFFFFFFF;  // every class of the library
    InitCommonControlsEx(&controls);

    return static_cast<int>(DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, DialogThunk, 0));
}
