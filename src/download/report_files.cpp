// Report files: folder preparation, file names, and byte-exact writing with a temporary name until complete.
#include "download/report_files.h"

#include <cstring>

#include "download/directories.h"
#include "download/protocol.h"
#include "shared_state.h"

namespace {

Directories* installedDirectories = nullptr;
ReportFile openReport;

// A folder text that names its place on its own: from a root, a drive or a network share. Anything else is
// resolved against the directory the program started in.
bool IsAbsoluteFolder(const char* folder) {
    if (folder[0] == '/' || folder[0] == '\\') {
        return true;
    }
    bool driveLetter = (folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z');
    return driveLetter && folder[1] == ':';
}

bool IsReplacedInNames(unsigned char byte) {
    switch (byte) {
        case '"':
        case '*':
        case '.':
        case '/':
        case ':':
        case '<':
        case '>':
        case '?':
        case '\\':
        case '|':
            return true;
        default:
            return false;
    }
}

}  // namespace

void InstallDirectories(Directories* directories) {
    installedDirectories = directories;
}
Directories& InstalledDirectories() {
    return *installedDirectories;
}

int PrepareReportFolder() {
    Directories& directories = InstalledDirectories();
    if (!IsAbsoluteFolder(reportFolder) && !directories.ReturnToStartDirectory()) {
        return 0;
    }
    std::strcpy(scratchText, reportFolder);
    std::strcat(scratchText, "\\");
    if (!directories.MakeAllDirectories(scratchText)) {
        return 0;
    }
    return directories.ChangeDirectory(reportFolder) ? 1 : 0;
}

void SanitizeReportName(char* name) {
    for (char* at = name; *at != '\0'; ++at) {
        if (IsReplacedInNames(static_cast<unsigned char>(*at))) {
            *at = '_';
        }
    }
}

void MakeReportFileName(char* name, unsigned reportNumber) {
    char suffix[SUFFIX_SIZE];
    std::snprintf(suffix, sizeof suffix, "-R%03u.TXT", reportNumber);
    std::strcat(name, suffix);
}

ReportFile* OpenReportFile(const char* fileName) {
    ReportFile& file = openReport;
    std::snprintf(file.name, sizeof file.name, "%s", fileName);
    // Report names hold no full stop, so no report's file name ends in ".part".
    std::snprintf(file.tempName, sizeof file.tempName, "%s.part", fileName);
    file.stream = std::fopen(file.tempName, "wb");
    return file.stream == nullptr ? nullptr : &file;
}

int WriteReportChunk(ReportFile* file, const unsigned char* chunk) {
    std::size_t length = 0;
    while (length < CHUNK_MAX && chunk[length] != 0) {
        ++length;
    }
    if (length == 0) {
        return 1;
    }
    return std::fwrite(chunk, 1, length, file->stream) == length ? 1 : 0;
}

int CloseReportFile(ReportFile* file) {
    Directories& directories = InstalledDirectories();
    bool saved = std::fflush(file->stream) == 0 && directories.SyncFile(file->stream);
    saved = std::fclose(file->stream) == 0 && saved;
    file->stream = nullptr;
    if (saved && directories.RenameFile(file->tempName, file->name, true)) {
        return 1;
    }
    // Not safely saved: keep what arrived as a cut-short report would be kept.
    if (!directories.RenameFile(file->tempName, file->name, false)) {
        std::remove(file->tempName);
    }
    return 0;
}

void CloseCutReportFile(ReportFile* file) {
    std::fclose(file->stream);
    file->stream = nullptr;
    if (!InstalledDirectories().RenameFile(file->tempName, file->name, false)) {
        std::remove(file->tempName);
    }
}
