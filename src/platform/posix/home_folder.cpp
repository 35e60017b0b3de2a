// The per-user default report folder on POSIX.
#include "platform/posix/home_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "settings/setting_store.h"

void UseHomeReportFolderAsDefault() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* entry = getpwuid(getuid());
        home = entry != nullptr ? entry->pw_dir : "";
    }
    std::string folder = home;
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    folder += "ZT914reports";
    SetDefaultReportFolder(folder.c_str());
}
