// The few buffers and flags that the whole program shares. All live as long as the program; one thread uses
// them.
#pragma once

inline constexpr unsigned REPORT_FOLDER_SIZE = 1024;
inline constexpr unsigned SCRATCH_TEXT_SIZE = 1280;

// The report folder: zero-terminated, at most 1023 characters.
extern char reportFolder[REPORT_FOLDER_SIZE];
// One text buffer for everyone: valid only until its next writer.
extern char scratchText[SCRATCH_TEXT_SIZE];
// 1 while a download runs; written only by the Download Reports command.
extern int downloadActive;
// Set by the Exit/Cancel command during a download; cleared when the dialog opens, a run begins, or the run
// acts on it.
extern int cancelRequested;
