// The directories seam on Windows.
#include "platform/windows/windows_directories.h"

#include <dbghelp.h>
#include <direct.h>
#include <io.h>

WindowsDirectories::WindowsDirectories() {
    // A start directory too long to remember is left empty, and going back to it then fails.
    DWORD length = GetCurrentDirectoryA(sizeof startDirectory_, startDirectory_);
    if (length == 0 || length >= sizeof startDirectory_) {
        startDirectory_[0] = '\0';
    }
}

bool WindowsDirectories::MakeAllDirectories(const char* folderWithBackslash) {
    return MakeSureDirectoryPathExists(folderWithBackslash) != FALSE;
}

bool WindowsDirectories::ChangeDirectory(const char* folder) {
    return folder[0] != '\0' && _chdir(folder) == 0;
}

bool WindowsDirectories::ReturnToStartDirectory() {
    return ChangeDirectory(startDirectory_);
}

bool WindowsDirectories::SyncFile(std::FILE* file) {
    return _commit(_fileno(file)) == 0;
}

bool WindowsDirectories::RenameFile(const char* from, const char* to, bool replace) {
    DWORD flags = MOVEFILE_WRITE_THROUGH;
    if (replace) {
        flags |= MOVEFILE_REPLACE_EXISTING;
    }
    return MoveFileExA(from, to, flags) != FALSE;
}
