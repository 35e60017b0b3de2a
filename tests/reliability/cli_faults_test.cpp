// Real faults with the real programs: fetchwell-cli downloading from fetchwell-sim over a pseudo-terminal
// while the instrument is unplugged mid-chunk or the disk fills up. Waits are bounded; none waits out a time
// limit.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "child_process.h"
#include "file_size_limit.h"
#include "sim/byte_trace.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds RUN_LIMIT{20000};  // far above any case's own time, even under valgrind

const std::string kAlpha = std::string(598, 'a') + "\r\n\f";  // one chunk of 1000
const std::string kBeta = std::string(2998, 'b') + "\r\n\f";  // three chunks
const std::string kEarlierBeta = "yesterday's BETA\r\n\f";
// The instrument's bytes up to the middle of BETA's second chunk: the information block, ALPHA's start byte,
// name, zero and chunk with its zero, BETA's start byte, name and zero, its first chunk, 500 bytes.
constexpr int kMidSecondChunkOfBeta = 264 + 7 + 601 + 6 + 1001 + 500;

class CliFaultTest : public ::testing::Test {
  protected:
    CliFaultTest() : reports(temp.Path() / "instrument"), out(temp.Path() / "out") {
        fs::create_directories(reports);
        fs::create_directories(out);
        TempFolder::Write(reports / "ALPHA", kAlpha);
        TempFolder::Write(reports / "BETA", kBeta);
    }

    // The simulator serves the instrument's reports on a new pseudo-terminal, whose path it prints first.
    void StartSim(ChildProcess& sim, std::vector<std::string> options) {
        options.insert(options.begin(), {FETCHWELL_SIM, "--trace", "--reports-from", reports.string()});
        ASSERT_TRUE(sim.Start(options));
        ASSERT_TRUE(sim.WaitForLine([](const std::string& line) { return line.rfind("/dev/", 0) == 0; },
                                    std::chrono::milliseconds(3000), &port))
            << sim.Errors();
    }
    void StartCli(ChildProcess& cli, std::vector<std::string> options) {
        options.insert(options.begin(), {FETCHWELL_CLI, "--port", port, "--folder", out.string()});
        ASSERT_TRUE(cli.Start(UnderTestWrapper(std::move(options)), {"HOME=" + temp.Path().string()}));
    }

    TempFolder temp;
    fs::path reports;  // the instrument's reports, one file each
    fs::path out;      // the report folder
    std::string port;
};

TEST_F(CliFaultTest, UnpluggedInTheMiddleOfAChunk) {
    struct Row {
        const char* name;
        bool earlierBeta;  // BETA's file from an earlier run is in the folder
        std::string beta;  // BETA's file afterwards
    };
    const Row rows[] = {
        {"without an earlier file the partial one stays", false, std::string(1000, 'b')},
        {"an earlier file stays as it was", true, kEarlierBeta},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(out);
        fs::create_directories(out);
        if (row.earlierBeta) {
            TempFolder::Write(out / "BETA-R002.TXT", kEarlierBeta);
        }
        ChildProcess sim;  // one for each row: an unplugged simulator is gone for good
        ChildProcess cli;
        StartSim(sim, {"--chunk", "1000", "--unplug-at", std::to_string(kMidSecondChunkOfBeta)});
        StartCli(cli, {"--erase"});

        EXPECT_EQ(cli.Wait(RUN_LIMIT), 7) << cli.Errors();
        EXPECT_EQ(cli.Errors(),
                  "Status: Receiving report #1 of 2...\nStatus: Receiving report #2 of 2...\n"
                  "Data transfer timeout\nStatus: CANCELLED\n");
        EXPECT_EQ(TempFolder::Files(out), (std::map<std::string, std::string>{{"ALPHA-R001.TXT", kAlpha},
                                                                              {"BETA-R002.TXT", row.beta}}));
        EXPECT_EQ(sim.Wait(RUN_LIMIT), 0);
        EXPECT_EQ(HostBytesInTrace(sim.Output()).find("EREC"), std::string::npos);
    }
}

TEST_F(CliFaultTest, TheDiskFillsUpInTheSecondReport) {
    TempFolder::Write(out / "BETA-R002.TXT", kEarlierBeta);
    ChildProcess sim;
    ChildProcess cli;
    StartSim(sim, {"--chunk", "1000"});
    {
        // The program inherits the limit, not an ignored signal: it must keep itself alive past the limit.
        FileSizeLimit limit(2048, false);
        StartCli(cli, {"--erase"});
    }
    EXPECT_EQ(cli.Wait(RUN_LIMIT), 8) << cli.Errors();
    EXPECT_EQ(cli.Errors(),
              "Status: Receiving report #1 of 2...\nStatus: Receiving report #2 of 2...\n"
              "Cannot copy report to file\n-Check access permissions\n-Check disk write protection\n"
              "Status: CANCELLED\n");
    EXPECT_EQ(TempFolder::Files(out), (std::map<std::string, std::string>{{"ALPHA-R001.TXT", kAlpha},
                                                                          {"BETA-R002.TXT", kEarlierBeta}}));
    sim.Signal(SIGINT);
    sim.Wait(RUN_LIMIT);
    std::string host = HostBytesInTrace(sim.Output());
    EXPECT_EQ(host.substr(host.size() - 1), "X") << "the abort byte is the last the instrument hears";
    EXPECT_EQ(host.find("EREC"), std::string::npos) << "nothing is erased";
}

}  // namespace
