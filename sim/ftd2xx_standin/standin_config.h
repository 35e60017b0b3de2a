// What the stand-in FTD2XX.DLL plays: the simulated instrument's reports and faults, read from a small text
// file that the test names in the environment variable FETCHWELL_STANDIN. One setting a line, `#` starts a
// comment:
//   reports sample | reports generated COUNT BYTES | reports none
//   chunk-size BYTES            pace BYTES_PER_SECOND
//   silent-from-byte N          pause-before-byte N MILLISECONDS       fail-at-byte N
//   erase-reply HEX...          (the bytes that answer the erase command; none for silence)
//   no-device                   (FT_Open fails, as with the instrument unplugged)
//   log PATH                    (each open, write and close is appended there)
#pragma once

#include <string>
#include <vector>

#include "sim/instrument.h"

struct StandinConfig {
    std::vector<SimReport> reports = SampleReports();
    std::size_t chunkSize = 512;
    std::uint32_t pace = 0;
    FaultPlan faults;
    bool noDevice = false;
    std::string logPath;
};

// Reads the settings from `text`; false, with the line in `error`, at a line it does not understand.
bool ParseStandinConfig(const std::string& text, StandinConfig* config, std::string* error);
