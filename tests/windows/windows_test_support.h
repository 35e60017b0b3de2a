// Helpers for the tests that run under Wine: the folder the test program runs from, scratch folders, files.
#pragma once

#include <windows.h>

#include <string>

// The folder of the running test program, with a trailing backslash; fetchwell.exe and FTD2XX.DLL are copied
// there.
std::string ProgramFolder();
// A new, empty folder of its own below the system's temporary folder, with a trailing backslash.
std::string NewScratchFolder(const char* purpose);
// Removes a folder and everything in it.
void RemoveFolder(const std::string& folder);
// The whole content of a file, or nothing when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* content);
bool WriteWholeFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);
bool IsFolder(const std::string& path);
