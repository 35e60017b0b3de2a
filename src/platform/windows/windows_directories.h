// The directories seam on Windows: MakeSureDirectoryPathExists, _chdir, _commit and MoveFileExA.
#pragma once

#include <windows.h>

#include "download/directories.h"

class WindowsDirectories : public Directories {
  public:
    // Remembers the current directory as the start directory.
    WindowsDirectories();

    bool MakeAllDirectories(const char* folderWithBackslash) override;
    bool ChangeDirectory(const char* folder) override;
    bool ReturnToStartDirectory() override;
    bool SyncFile(std::FILE* file) override;
    bool RenameFile(const char* from, const char* to, bool replace) override;

  private:
    char startDirectory_[MAX_PATH + 1];
};
