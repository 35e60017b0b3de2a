// The directories seam: what the report files need of the file system beyond the C library's streams.
#pragma once

#include <cstdio>

class Directories {
  public:
    virtual ~Directories() = default;

    // Creates every missing directory of a folder. The text is the folder with one backslash appended, which
    // marks its last component as a directory. True when every directory of the folder exists afterwards.
    virtual bool MakeAllDirectories(const char* folderWithBackslash) = 0;
    // Makes a folder the process's current directory.
    virtual bool ChangeDirectory(const char* folder) = 0;
    // Makes the directory the program started in current again, so relative folders always mean the same
    // place.
    virtual bool ReturnToStartDirectory() = 0;
    // Pushes a flushed stream's data to the storage device.
    virtual bool SyncFile(std::FILE* file) = 0;
    // Gives a file another name in the same directory. With `replace`, an existing file of that name is
    // replaced in one step; without it the rename fails when the name is taken.
    virtual bool RenameFile(const char* from, const char* to, bool replace) = 0;
};

// The entry point installs the platform's directories before the first download.
void InstallDirectories(Directories* directories);
Directories& InstalledDirectories();
