// Helpers for the tests that run under Wine.
#include "windows_test_support.h"

#include <cstdio>

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string NewScratchFolder(const char* purpose) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    static unsigned counter = 0;
    for (;;) {
        std::string folder = std::string(temp) + "fetchwell-" + purpose + "-" +
                             std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + "\\";
        if (CreateDirectoryA(folder.c_str(), nullptr)) {
            return folder;
        }
    }
}

void RemoveFolder(const std::string& folder) {
    std::string base = folder.back() == '\\' ? folder : folder + "\\";
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((base + "*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveFolder(base + name);
            } else {
                SetFileAttributesA((base + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA((base + name).c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(base.c_str());
}

bool ReadWholeFile(const std::string& path, std::string* content) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    content->clear();
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        content->append(buffer, got);
    }
    std::fclose(file);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    return std::fclose(file) == 0 && written;
}

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
