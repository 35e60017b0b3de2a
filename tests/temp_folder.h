// A fresh temporary folder per test, and the process's current directory restored afterwards.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

class TempFolder {
  public:
    TempFolder() : startDirectory_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        std::string pattern = (std::filesystem::temp_directory_path() / "fetchwell-test-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempFolder() {
        if (fchdir(startDirectory_) != 0) {
            std::filesystem::current_path(std::filesystem::temp_directory_path());
        }
        close(startDirectory_);
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    static std::string Read(const std::filesystem::path& file) {
        std::ifstream stream(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    }
    static void Write(const std::filesystem::path& file, const std::string& bytes) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
    }
    // Every regular file directly in a folder, by name, with its bytes.
    static std::map<std::string, std::string> Files(const std::filesystem::path& folder) {
        std::map<std::string, std::string> files;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            files[entry.path().filename().string()] = entry.is_regular_file() ? Read(entry.path()) : "<dir>";
        }
        return files;
    }

  private:
    int startDirectory_;
    std::filesystem::path path_;
};
