// The fuzzer's seed corpus, replayed through the same scenario player on every build: each seed keeps every
// promise and ends the way its name says, so the player and the seeds cannot drift from the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "download_scenario.h"
#include "scenario_check.h"
#include "temp_folder.h"

namespace {

std::vector<std::uint8_t> ReadInput(const std::filesystem::path& path) {
    std::string bytes = TempFolder::Read(path);
    return {bytes.begin(), bytes.end()};
}

struct SeedEnding {
    const char* ending;
    unsigned reportsSaved;
    bool eraseSent;
};

const std::map<std::string, SeedEnding> kSeeds = {
    {"erase-declined", {"done", 3, false}},
    {"erase-acknowledged", {"done", 3, true}},
    {"paced-small-chunks-polling", {"done", 4, false}},
    {"cancel-mid-report-over-earlier-files", {"cancelled", 0, false}},
    {"relative-folder-cut-short", {"Data transfer timeout", 0, false}},
    {"file-size-limit", {"Cannot copy report to file", 0, false}},
    {"count-beyond-reports", {"Data transfer timeout", 3, false}},
    {"unplugged-mid-chunk", {"Data transfer timeout", 0, false}},
    {"folder-removed", {"Cannot copy report to file", 1, false}},
    {"odd-names-long-chunks-junk", {"done", 4, true}},
    {"sync-refused", {"Cannot copy report to file", 1, false}},
    {"erase-not-acknowledged", {"Data transfer timeout", 3, true}},
};

TEST(FuzzCorpus, EverySeedKeepsEveryPromiseAndEndsAsItsNameSays) {
    TempFolder work;
    std::size_t seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(FETCHWELL_FUZZ_CORPUS)) {
        const std::string name = entry.path().filename().string();
        std::vector<std::uint8_t> input = ReadInput(entry.path());
        ScenarioOutcome outcome = PlayScenario(DecodeScenario(input.data(), input.size()), work.Path());
        EXPECT_TRUE(outcome.broken.empty()) << name << ":\n"
                                            << ::testing::PrintToString(outcome.broken) << "\n"
                                            << outcome.events;
        auto seed = kSeeds.find(name);
        if (seed == kSeeds.end()) {
            continue;  // an input the fuzzer found and someone kept: its promises are all that is checked
        }
        ++seen;
        EXPECT_EQ(outcome.ending, seed->second.ending) << name;
        EXPECT_EQ(outcome.reportsSaved, seed->second.reportsSaved) << name;
        EXPECT_EQ(outcome.eraseSent, seed->second.eraseSent) << name;
    }
    EXPECT_EQ(seen, kSeeds.size()) << "a seed is missing from " << FETCHWELL_FUZZ_CORPUS;
}

TEST(FuzzCorpus, AScenarioSurvivesEncodingAndDecoding) {
    DownloadScenario s;
    s.reports = {{"NAME", "text\f"}, {"", ""}};
    s.chunkSize = 2049;
    s.faults.announcedCount = 65535;
    s.faults.silentFromByte = 700;
    s.faults.eraseReply = "";
    s.cancelAtCheck = 7;
    s.fileSizeLimit = 999;
    s.relativeFolder = s.eraseSecondYes = true;
    std::vector<std::uint8_t> bytes = EncodeScenario(s);
    EXPECT_EQ(EncodeScenario(DecodeScenario(bytes.data(), bytes.size())), bytes);
    DownloadScenario back = DecodeScenario(bytes.data(), bytes.size());
    ASSERT_EQ(back.reports.size(), 2u);
    EXPECT_EQ(back.reports[0].text, "text\f");
    EXPECT_EQ(back.faults.announcedCount, 65535);
    EXPECT_EQ(back.faults.failAtByte, FaultPlan::NEVER);
}

}  // namespace
