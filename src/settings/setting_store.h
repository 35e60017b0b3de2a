// The setting-store seam: one per-user key holding the text value "filepath". The registry on Windows,
// QSettings on Linux, an in-memory map in tests.
#pragma once

class SettingStore {
  public:
    virtual ~SettingStore() = default;

    // Opens the existing key for reading and writing.
    virtual bool OpenKey() = 0;
    // Creates the key (or opens it if it appeared meanwhile) for reading and writing.
    virtual bool CreateKey() = 0;
    // Reads "filepath" of the open key into the destination, at most `capacity` bytes, terminator included
    // when the stored data has one. False when the value is missing, larger than `capacity`, or cannot be
    // read.
    virtual bool ReadValue(char* destination, unsigned capacity) = 0;
    // Stores `length` bytes as "filepath" of the open key: the text and its terminating zero.
    virtual void WriteValue(const char* text, unsigned length) = 0;
    virtual void CloseKey() = 0;
};

// The folder-picker seam: a modal choice of a folder.
class FolderPicker {
  public:
    virtual ~FolderPicker() = default;

    // Shows the picker, owned by `owner` (may be null), with `title`. True when a folder with a file-system
    // path was chosen: its path, zero-terminated, is then in `path` (at most capacity - 1 characters).
    virtual bool PickFolder(void* owner, const char* title, char* path, unsigned capacity) = 0;
};

// The entry point installs the platform's store and picker before the dialog opens.
void InstallSettingStore(SettingStore* store);
SettingStore& InstalledSettingStore();
void InstallFolderPicker(FolderPicker* picker);
FolderPicker& InstalledFolderPicker();
// The folder used when none is stored: "C:\ZT914reports" on Windows; the entry point of another platform sets
// its own (on Linux, ZT914reports in the user's home directory). At most 1023 characters.
void SetDefaultReportFolder(const char* folder);
const char* DefaultReportFolder();
