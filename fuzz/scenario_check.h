// Plays a download scenario against the real download run, on the simulated instrument and a real folder, and
// checks every promise the run makes about the link, the boxes, the files on disk and the erase.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "download_scenario.h"

struct ScenarioOutcome {
    std::vector<std::string> broken;  // each promise that did not hold, with what was seen instead
    std::string ending;               // "done", "cancelled", or the error box's first line
    unsigned reportsSaved = 0;        // reports acknowledged to the instrument
    bool eraseSent = false;
    std::string events;  // the run's events, one per line; filled only when a promise was broken
};

// Runs one download for the scenario in a fresh folder below `workFolder` and removes that folder again. The
// scenario's seams are installed for the run; the current directory is restored afterwards.
ScenarioOutcome PlayScenario(const DownloadScenario& scenario, const std::filesystem::path& workFolder);
