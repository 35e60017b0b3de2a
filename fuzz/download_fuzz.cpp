// libFuzzer target: every input is a download scenario, played against the real download run; a broken
// promise stops the fuzzer with the promises and the run's events, and libFuzzer keeps the input.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "download_scenario.h"
#include "scenario_check.h"

namespace {

std::filesystem::path workFolder;

void RemoveWorkFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(workFolder, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // Every run syncs its files: a memory-backed folder keeps that cheap where the machine has one.
    std::filesystem::path base = access("/dev/shm", W_OK) == 0 ? std::filesystem::path("/dev/shm")
                                                               : std::filesystem::temp_directory_path();
    std::string pattern = (base / "fetchwell-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("fetchwell fuzz: no work folder");
        std::exit(1);
    }
    workFolder = pattern;
    std::atexit(RemoveWorkFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ScenarioOutcome outcome = PlayScenario(DecodeScenario(data, size), workFolder);
    if (!outcome.broken.empty()) {
        std::fprintf(stderr, "\nBroken promises (run ended: %s):\n", outcome.ending.c_str());
        for (const std::string& what : outcome.broken) {
            std::fprintf(stderr, "  - %s\n", what.c_str());
        }
        std::fprintf(stderr, "Events of the run:\n%s", outcome.events.c_str());
        std::abort();
    }
    return 0;
}
