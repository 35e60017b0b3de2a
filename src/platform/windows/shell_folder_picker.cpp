// The folder picker on Windows. Everything it acquires (COM for this thread, the shell's allocator, the
// chosen item list) is given back before it returns, on every path.
#include <windows.h>
// After <windows.h>, which the shell's header builds on.
#include <objbase.h>
#include <shlobj.h>

#include "platform/windows/shell_folder_picker.h"

namespace {

// Shows the picker with the shell's allocator at hand; the allocator frees the item list the picker returns.
bool PickWithAllocator(IMalloc* allocator, HWND owner, const char* title, char* path) {
    BROWSEINFOA browse;
    ZeroMemory(&browse, sizeof browse);
    browse.hwndOwner = owner;
    browse.pszDisplayName = path;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&browse);
    if (item == nullptr) {
        return false;
    }
    path[0] = '\0';
    bool chosen = SHGetPathFromIDListA(item, path) != FALSE && path[0] != '\0';
    allocator->Free(item);
    return chosen;
}

}  // namespace

bool ShellFolderPicker::PickFolder(void* owner, const char* title, char* path, unsigned capacity) {
    if (capacity < MAX_PATH) {
        return false;
    }
    // The new dialog style is built from COM objects that need a single-threaded apartment on this thread.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IMalloc* allocator = nullptr;
    bool chosen = false;
    if (SHGetMalloc(&allocator) == S_OK) {
        chosen = PickWithAllocator(allocator, static_cast<HWND>(owner), title, path);
        allocator->Release();
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return chosen;
}
