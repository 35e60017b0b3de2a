// Load, save and browse of the report folder over the setting-store and folder-picker seams.
#include "settings/report_folder.h"

#include <cstring>

#include "settings/setting_store.h"
#include "shared_state.h"
#include "ui/resource_ids.h"
#include "ui/windowing.h"

namespace {

SettingStore* installedStore = nullptr;
FolderPicker* installedPicker = nullptr;
char defaultFolder[REPORT_FOLDER_SIZE] = "C:\\ZT914reports";

void CopyDefaultFolder() {
    std::memcpy(reportFolder, defaultFolder, sizeof reportFolder);
}

}  // namespace

void InstallSettingStore(SettingStore* store) {
    installedStore = store;
}
SettingStore& InstalledSettingStore() {
    return *installedStore;
}
void InstallFolderPicker(FolderPicker* picker) {
    installedPicker = picker;
}
FolderPicker& InstalledFolderPicker() {
    return *installedPicker;
}

void SetDefaultReportFolder(const char* folder) {
    std::memset(defaultFolder, 0, sizeof defaultFolder);
    std::strncpy(defaultFolder, folder, sizeof defaultFolder - 1);
}
const char* DefaultReportFolder() {
    return defaultFolder;
}

void LoadReportFolder() {
    SettingStore& store = InstalledSettingStore();
    std::memset(reportFolder, 0, sizeof reportFolder);
    if (store.OpenKey()) {
        if (!store.ReadValue(reportFolder, sizeof reportFolder)) {
            CopyDefaultFolder();
        }
        // A value that fills the whole buffer without a terminator is cut, so the text always ends inside it.
        reportFolder[sizeof reportFolder - 1] = '\0';
        store.CloseKey();
        return;
    }
    if (store.CreateKey()) {
        store.WriteValue(defaultFolder, static_cast<unsigned>(std::strlen(defaultFolder) + 1));
        store.CloseKey();
    }
    CopyDefaultFolder();
}

void SaveReportFolder() {
    SettingStore& store = InstalledSettingStore();
    if (!store.OpenKey()) {
        return;
    }
    store.WriteValue(reportFolder, static_cast<unsigned>(std::strlen(reportFolder) + 1));
    store.CloseKey();
}

int BrowseReportFolder() {
    char title[BROWSE_TITLE_SIZE];
    std::memset(scratchText, 0, sizeof scratchText);
    InstalledWindowing().LoadText(IDS_BROWSE_TITLE, title, sizeof title);
    WindowHandle owner = InstalledWindowing().ActiveWindow();
    if (!InstalledFolderPicker().PickFolder(owner, title, scratchText, sizeof scratchText)) {
        return 0;
    }
    scratchText[sizeof scratchText - 1] = '\0';
    if (scratchText[0] == '\0') {
        return 0;
    }
    // A path longer than the folder buffer is not a folder the program could use whole: keep the old one.
    if (std::strlen(scratchText) >= sizeof reportFolder) {
        return 0;
    }
    std::strcpy(reportFolder, scratchText);
    return 1;
}
