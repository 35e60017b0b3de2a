// Plays a download scenario against the real download run, on the simulated instrument and a real folder, and
// checks every promise the run makes about the link, the boxes, the files on disk and the erase.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "download_scenario.h"

struct ScenarioOutcome {
    std::vector<std::string> broken;  // each promise that did not hold, with what was seen instead
    std::string ending;               // "done", "cancelled", or the error box's first line
    unsigned reportsSaved = 0;        // reports acknowledged to the instrument
    bool abortSent = false;
    unsigned eraseQuestions = 0;  // erase questions shown: 0, 1 or 2
    bool eraseSent = false;
    std::map<std::string, std::string> files;  // the report folder afterwards: each file's name and bytes
    std::string events;  // the run's events, one per line; filled only when a promise was broken
};

// What a report's file from an earlier run holds, for scenarios with earlier files.
std::string EarlierReportText(unsigned number);

// Runs one download for the scenario in a fresh folder below `workFolder` and removes that folder again. The
// scenario's seams are installed for the run; the current directory is restored afterwards.
ScenarioOutcome PlayScenario(const DownloadScenario& scenario, const std::filesystem::path& workFolder);
