// The folder picker on Windows: the shell's Browse For Folder dialog.
#pragma once

#include "settings/setting_store.h"

class ShellFolderPicker : public FolderPicker {
  public:
    // `path` must hold at least MAX_PATH characters: the shell writes display names and paths of that size.
    bool PickFolder(void* owner, const char* title, char* path, unsigned capacity) override;
};
