// Loading the saved report folder in a short-lived child process, so that the settings store's libraries
// (Qt Core with ICU and GLib on Linux) never grow the process that downloads.
#pragma once

// Runs LoadReportFolder over the installed setting store in a child process and takes reportFolder back
// from it through a pipe. Every outcome of the store holds as in-process (a first start stores the default,
// an unreadable store gives the default). False, with reportFolder untouched, when the child could not be
// started or did not hand back a whole folder: the caller then loads in-process.
// Call it before any thread starts: the child runs code that is only safe in a single-threaded fork.
bool LoadReportFolderApart();
