// The directories seam on POSIX: mkdir -p, chdir, fsync and rename, with the start directory held open.
#pragma once

#include "download/directories.h"

class PosixDirectories : public Directories {
  public:
    // Remembers the current directory as the start directory.
    PosixDirectories();
    ~PosixDirectories() override;
    PosixDirectories(const PosixDirectories&) = delete;
    PosixDirectories& operator=(const PosixDirectories&) = delete;

    bool MakeAllDirectories(const char* folderWithBackslash) override;
    bool ChangeDirectory(const char* folder) override;
    bool ReturnToStartDirectory() override;
    bool SyncFile(std::FILE* file) override;
    bool RenameFile(const char* from, const char* to, bool replace) override;

  private:
    int startDirectory_;
};

// A write past the process's file size limit then fails (EFBIG) and is told like a full disk, instead of the
// signal killing the program in the middle of a report.
void ReportWritesPastTheFileSizeLimit();
