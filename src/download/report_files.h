// Report files: the report folder made ready, a safe file name from the instrument's report name, and each
// report's text written byte for byte. A report is written under a temporary name and takes its own name only
// when it is complete, so a cut-short report never replaces a complete file of the same name.
#pragma once

#include <cstdio>

inline constexpr unsigned REPORT_NAME_BUFFER_SIZE = 48;
inline constexpr unsigned SUFFIX_SIZE = 16;

struct ReportFile {
    std::FILE* stream;
    char name[REPORT_NAME_BUFFER_SIZE];          // the report's own file name
    char tempName[REPORT_NAME_BUFFER_SIZE + 8];  // where its bytes go until it is complete
};

// 1 when every directory of reportFolder exists and it is the current directory; 0 otherwise.
int PrepareReportFolder();
// Replaces each byte that could leave the folder or upset the file system with an underscore; same length.
void SanitizeReportName(char* name);
// Appends "-R", the number in at least three digits, and ".TXT".
void MakeReportFileName(char* name, unsigned reportNumber);
// The open report file, or nullptr when it cannot be created. One report file is open at a time.
ReportFile* OpenReportFile(const char* fileName);
// Appends the chunk's text: its bytes before the first zero, all CHUNK_MAX of them when it holds none.
// 1 when every byte reached the stream; 0 when the write failed.
int WriteReportChunk(ReportFile* file, const unsigned char* chunk);
// The report is complete: flushes, syncs to the storage device, closes and gives the file its own name,
// replacing an earlier file of that name. 1 on success; 0 when any step failed (the bytes then stay in the
// temporary file, or in the file of the report's own name where none existed before).
int CloseReportFile(ReportFile* file);
// The report was cut short: closes the file; it takes the report's own name only where no file of that name
// existed, so an earlier complete report is never replaced by a partial one.
void CloseCutReportFile(ReportFile* file);
