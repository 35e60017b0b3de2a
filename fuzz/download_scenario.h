// One download as the fuzzer plays it: the instrument's reports and misbehaviour, the user's answers and what
// the disk does, decoded from (and encoded to) a flat byte string so that any input is a valid scenario.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/instrument.h"

struct DownloadScenario {
    // The instrument and the cable.
    std::vector<SimReport> reports;
    std::size_t chunkSize = 512;
    std::uint32_t bytesPerSecond = 0;  // 0: every byte at once
    FaultPlan faults;
    bool openFails = false;
    bool queueStatusFails = false;
    bool pollingDriver = false;  // a driver that cannot block: every tick reading moves time on
    std::uint32_t stepPerReading = 1;
    std::uint32_t clockStart = 0;

    // The user.
    unsigned cancelAtCheck = 0;  // the cancel check (1 = the first) at which Cancel is pressed; 0: never
    bool eraseFirstYes = false;
    bool eraseSecondYes = false;
    bool noActiveWindow = false;  // another program is active: no owner for the boxes, no status line

    // The disk.
    bool relativeFolder = false;
    bool earlierFiles = false;         // every report's file from an earlier run is already in the folder
    std::uint32_t fileSizeLimit = 0;   // bytes; 0: no limit
    unsigned failSyncAt = 0;           // the sync (1 = the first) that the storage device refuses; 0: none
    unsigned failRenameAt = 0;         // the rename that fails; 0: none
    unsigned removeFolderAtCheck = 0;  // the cancel check at which the report folder is deleted; 0: never
};

// The most reports one input describes: enough for every path, few enough to keep a run short.
inline constexpr std::size_t SCENARIO_REPORTS_MAX = 64;

DownloadScenario DecodeScenario(const std::uint8_t* data, std::size_t size);
// The inverse of DecodeScenario for every scenario it can produce; used to write the seed corpus.
std::vector<std::uint8_t> EncodeScenario(const DownloadScenario& scenario);
