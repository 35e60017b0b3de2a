// The directories seam on POSIX.
#include "platform/posix/posix_directories.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool IsDirectory(const char* path) {
    struct stat status {};
    return stat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

// Makes a rename durable: the directory entry is on the device once the directory itself is synced.
void SyncDirectoryOf(const char* path) {
    std::string directory = path;
    std::size_t slash = directory.rfind('/');
    directory = slash == std::string::npos ? "." : slash == 0 ? "/" : directory.substr(0, slash);
    int descriptor = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        fsync(descriptor);
        close(descriptor);
    }
}

bool RenameWithoutReplacing(const char* from, const char* to) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        return false;
    }
    // File systems without an atomic no-replace rename (FAT on a USB stick, some network shares).
    struct stat status {};
    if (lstat(to, &status) == 0 || errno != ENOENT) {
        return false;
    }
    return rename(from, to) == 0;
}

}  // namespace

PosixDirectories::PosixDirectories() : startDirectory_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}

PosixDirectories::~PosixDirectories() {
    if (startDirectory_ >= 0) {
        close(startDirectory_);
    }
}

bool PosixDirectories::MakeAllDirectories(const char* folderWithBackslash) {
    std::string folder = folderWithBackslash;
    // The caller marks the folder as a directory with one backslash; on POSIX a backslash is an ordinary
    // character of a name, so the mark is dropped.
    if (!folder.empty() && folder.back() == '\\') {
        folder.pop_back();
    }
    if (folder.empty()) {
        return false;
    }
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        std::string parent = folder.substr(0, slash);
        if (mkdir(parent.c_str(), 0777) != 0 && !IsDirectory(parent.c_str())) {
            return false;
        }
    }
    return mkdir(folder.c_str(), 0777) == 0 || IsDirectory(folder.c_str());
}

bool PosixDirectories::ChangeDirectory(const char* folder) {
    return folder[0] != '\0' && chdir(folder) == 0;
}

bool PosixDirectories::ReturnToStartDirectory() {
    return startDirectory_ >= 0 && fchdir(startDirectory_) == 0;
}

bool PosixDirectories::SyncFile(std::FILE* file) {
    return fsync(fileno(file)) == 0;
}

bool PosixDirectories::RenameFile(const char* from, const char* to, bool replace) {
    bool renamed = replace ? rename(from, to) == 0 : RenameWithoutReplacing(from, to);
    if (renamed) {
        SyncDirectoryOf(to);
    }
    return renamed;
}

void ReportWritesPastTheFileSizeLimit() {
    signal(SIGXFSZ, SIG_IGN);
}
