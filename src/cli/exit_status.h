// fetchwell-cli's exit statuses: one for each way a download run can end, derived from what the run showed.
#pragma once

#include <cstddef>

inline constexpr int EXIT_DONE = 0;
inline constexpr int EXIT_UNFORESEEN = 1;
inline constexpr int EXIT_USAGE = 2;

struct ExitStatusRow {
    int status;
    int shownTextId;  // the error box's text, or the last status line when there was no box; 0: neither
    const char* meaning;
};

// The whole table, in order of status, for the mapping and for --help.
const ExitStatusRow* ExitStatusRows(std::size_t* count);

// A run that showed an error box ends with that box's status; one without ends with its last status line's:
// "Status: DONE" or "Status: CANCELLED" (cancelled at the user's request). 0 stands for "none" in both.
int ExitStatusFor(int errorTextId, int lastStatusTextId);
