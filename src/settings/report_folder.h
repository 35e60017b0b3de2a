// The one setting: the report folder, loaded at start, saved on every change, chosen in a folder picker.
#pragma once

inline constexpr int BROWSE_TITLE_SIZE = 128;

// Afterwards reportFolder holds the stored folder, or the default.
void LoadReportFolder();
void SaveReportFolder();
// 1 when a folder was chosen and reportFolder now holds its path; 0 with reportFolder unchanged otherwise.
int BrowseReportFolder();
