// fetchwell-cli against fetchwell-sim over a pseudo-terminal: the programs as a user runs them, in real time.
// Every wait is bounded, and only the time-out case waits out a time limit (the one that cannot be
// shortened).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "sim/byte_trace.h"
#include "sim/instrument.h"
#include "temp_folder.h"
#include "ui/strings.h"

namespace {

using std::chrono::milliseconds;
namespace fs = std::filesystem;

constexpr milliseconds RUN_LIMIT{5000};  // far above any case's own time; only a hung program meets it

class CliAgainstSim : public ::testing::Test {
  protected:
    void SetUp() override {
        base = fs::path(testing::TempDir()) / ("fw-cli-sim-" + std::to_string(getpid()) + "-" +
                                               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(base);
        home = base / "home";
        reports = base / "reports";
        fs::create_directories(home);
    }
    void TearDown() override {
        if (simStarted) {
            sim.Signal(SIGINT);
            sim.Wait(RUN_LIMIT);
        }
        fs::remove_all(base);
    }

    void StartSim(std::vector<std::string> options) {
        options.insert(options.begin(), {FETCHWELL_SIM, "--trace"});
        ASSERT_TRUE(sim.Start(options));
        simStarted = true;
        ASSERT_TRUE(sim.WaitForLine([](const std::string& line) { return line.rfind("/dev/", 0) == 0; },
                                    milliseconds(3000), &port))
            << sim.Errors();
    }
    void StartCli(ChildProcess& program, std::vector<std::string> options) {
        options.insert(options.begin(), FETCHWELL_CLI);
        ASSERT_TRUE(
            program.Start(UnderTestWrapper(std::move(options)),
                          {"HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / ".config").string()}));
    }
    int RunCli(std::vector<std::string> options) {
        StartCli(cli, std::move(options));
        return cli.Wait(RUN_LIMIT);
    }
    // Reads the simulator's trace until the host's bytes so far satisfy `wanted`.
    bool HostSent(const std::function<bool(const std::string&)>& wanted,
                  milliseconds within = milliseconds(3000)) {
        if (wanted(hostBytes)) {
            return true;
        }
        return sim.WaitForLine(
            [&](const std::string& line) {
                hostBytes += HostBytesInTrace(line);
                return wanted(hostBytes);
            },
            within);
    }
    // What the host sent after the download command.
    std::string AfterDownloadCommand() const {
        std::size_t at = hostBytes.find("RPDL\r");
        return at == std::string::npos ? "" : hostBytes.substr(at + 5);
    }

    fs::path base;
    fs::path home;
    fs::path reports;
    ChildProcess sim;
    bool simStarted = false;
    std::string port;
    ChildProcess cli;
    std::string hostBytes;
};

std::string EveryByteButTheFormFeed() {
    std::string bytes;
    for (int value = 0x01; value <= 0xFF; ++value) {
        if (value != 0x0C) {
            bytes += static_cast<char>(value);
        }
    }
    return bytes;
}

TEST_F(CliAgainstSim, FullDownloadIsByteExact) {
    const std::vector<std::pair<std::string, std::string>> texts = {
        {"A KETTLE", "TEST REPORT\r\nEarth bond  0.08 Ohm PASS\r\n\r\nRESULT: PASS\r\n\f"},
        {"B ALL BYTES", EveryByteButTheFormFeed() + "\r\n\f"},
        {"C LONG", std::string(250, 'x') + "\x03\x03 inside\r\n" + std::string(300, '\x03') + "lone LF\n\f"},
    };
    for (const auto& [name, text] : texts) {
        TempFolder::Write(reports / name, text);
    }
    StartSim({"--reports-from", reports.string(), "--chunk", "100"});

    EXPECT_EQ(RunCli({"--port", port, "--folder", (base / "out").string()}), 0) << cli.Errors();
    EXPECT_EQ(cli.Errors(),
              "Status: Receiving report #1 of 3...\nStatus: Receiving report #2 of 3...\n"
              "Status: Receiving report #3 of 3...\nStatus: DONE\n");
    EXPECT_EQ(TempFolder::Read(base / "out" / "A KETTLE-R001.TXT"), texts[0].second);
    EXPECT_EQ(TempFolder::Read(base / "out" / "B ALL BYTES-R002.TXT"), texts[1].second);
    EXPECT_EQ(TempFolder::Read(base / "out" / "C LONG-R003.TXT"), texts[2].second);
    ASSERT_TRUE(HostSent([](const std::string& bytes) { return bytes.find("RPDL\r") != std::string::npos; }));
    EXPECT_EQ(hostBytes.find("EREC"), std::string::npos) << "no terminal on stdin: the erase is declined";
}

TEST_F(CliAgainstSim, TimeOutInTheMiddleOfAChunk) {
    TempFolder::Write(reports / "R1", std::string(299, 'r') + "\f");
    // 264 information bytes, the start byte, "R1" and its zero, then 50 bytes of the first chunk.
    StartSim({"--reports-from", reports.string(), "--chunk", "100", "--silent-from", "318"});
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunCli({"--port", port, "--folder", (base / "out").string()}), 7);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, milliseconds(500)) << "the chunk's byte limit";
    EXPECT_EQ(cli.Errors(),
              "Status: Receiving report #1 of 1...\nData transfer timeout\nStatus: CANCELLED\n");
    EXPECT_EQ(TempFolder::Read(base / "out" / "R1-R001.TXT"), "")
        << "the cut-short report keeps what was written: nothing";
}

TEST_F(CliAgainstSim, CtrlCWhileAChunkIsAwaitedSendsTheAbortByteNext) {
    const std::string text = std::string(299, 'r') + "\f";
    TempFolder::Write(reports / "R1", text);
    // The first chunk's first byte (number 268) comes 300 ms late: time to press Ctrl-C while it is awaited.
    StartSim(
        {"--reports-from", reports.string(), "--chunk", "100", "--pause-before", "268", "--pause-ms", "300"});
    StartCli(cli, {"--port", port, "--folder", (base / "out").string()});
    ASSERT_TRUE(HostSent([this](const std::string&) { return AfterDownloadCommand() == "C"; }));
    cli.Signal(SIGINT);

    EXPECT_EQ(cli.Wait(RUN_LIMIT), 130);
    EXPECT_EQ(cli.Errors(), "Status: Receiving report #1 of 1...\nStatus: CANCELLED\n") << "no error box";
    ASSERT_TRUE(HostSent([this](const std::string&) { return AfterDownloadCommand().size() >= 2; }));
    EXPECT_EQ(AfterDownloadCommand(), "CX")
        << "the awaited chunk is read, then the abort byte goes in place of "
           "the next request";
    EXPECT_EQ(TempFolder::Read(base / "out" / "R1-R001.TXT"), text.substr(0, 100));
}

TEST_F(CliAgainstSim, EraseAcknowledged) {
    StartSim({});
    EXPECT_EQ(RunCli({"--port", port, "--folder", (base / "out").string(), "--erase"}), 0) << cli.Errors();
    EXPECT_EQ(cli.Errors().find("Status: DONE\n") + 13, cli.Errors().size()) << cli.Errors();
    ASSERT_TRUE(HostSent([](const std::string& bytes) { return bytes.find("EREC\r") != std::string::npos; }));
    EXPECT_EQ(fs::file_size(base / "out" / "KETTLE 2200W-R001.TXT"), SampleReports()[0].text.size());

    ChildProcess again;
    StartCli(again, {"--port", port, "--folder", (base / "out").string(), "--no-erase"});
    EXPECT_EQ(again.Wait(RUN_LIMIT), 6) << "the records are gone";
    EXPECT_EQ(again.Errors(), "No reports to download\nStatus: CANCELLED\n");
}

TEST_F(CliAgainstSim, RunsOneAfterAnotherEachFindAFreshInstrument) {
    StartSim({});
    for (int run = 1; run <= 4; ++run) {
        ChildProcess next;
        StartCli(next, {"--port", port, "--folder", (base / "out").string(), "--quiet"});
        EXPECT_EQ(next.Wait(RUN_LIMIT), 0) << "run " << run << ": " << next.Errors();
    }
}

TEST_F(CliAgainstSim, NextHostsFirstBytesBeforeTheLastHostsCloseIsSeen) {
    StartSim({});
    // Host A (the test) takes the information block and closes while the simulator is stopped; host B starts
    // and sends its request before the simulator runs again and learns of A's close.
    int hostA = open(port.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(hostA, 0);
    termios raw{};
    tcgetattr(hostA, &raw);
    cfmakeraw(&raw);
    tcsetattr(hostA, TCSANOW, &raw);
    ASSERT_EQ(write(hostA, "GESI\r", 5), 5);
    char block[264];
    std::size_t received = 0;
    pollfd ready{hostA, POLLIN, 0};
    while (received < sizeof block && poll(&ready, 1, 1000) == 1) {
        received += static_cast<std::size_t>(
            std::max<ssize_t>(0, read(hostA, block + received, sizeof block - received)));
    }
    ASSERT_EQ(received, sizeof block);
    sim.Signal(SIGSTOP);
    close(hostA);
    StartCli(cli, {"--port", port, "--folder", (base / "out").string()});
    std::this_thread::sleep_for(milliseconds(150));  // B's request goes out meanwhile; its limit is 500 ms
    sim.Signal(SIGCONT);
    EXPECT_EQ(cli.Wait(RUN_LIMIT), 0) << cli.Errors();
}

TEST_F(CliAgainstSim, SimulatorExitingMidReportIsAFailureAtOnce) {
    // Report 1 is "ASSET 00001": it hangs up 500 bytes into its first chunk.
    StartSim({"--reports", "1", "--report-bytes", "3000", "--chunk", "1000", "--unplug-at", "777"});
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunCli({"--port", port, "--folder", (base / "out").string()}), 7);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, milliseconds(450)) << "a hang-up is a driver failure, not a wait for the time limit";
    EXPECT_EQ(cli.Errors(),
              "Status: Receiving report #1 of 1...\nData transfer timeout\nStatus: CANCELLED\n");
    EXPECT_EQ(sim.Wait(RUN_LIMIT), 0);
    EXPECT_NE(sim.Output().find("unplugged\n"), std::string::npos);
}

TEST_F(CliAgainstSim, PortThatDoesNotExist) {
    EXPECT_EQ(RunCli({"--port", "/nonexistent/ttyFW9", "--folder", (base / "out").string()}), 4);
    EXPECT_EQ(
        cli.Errors(),
        "ZT914 not connected to PC USB\n"
        "Cannot open /nonexistent/ttyFW9: there is no such port (fetchwell-cli --list-ports lists them).\n"
        "Status: CANCELLED\n");
}

TEST_F(CliAgainstSim, SimulateIntoTheSavedFolder) {
    fs::path saved = base / "saved reports";
    TempFolder::Write(home / ".config" / "Quillfen" / "Fetchwell.conf",
                      "[General]\nfilepath=" + saved.string() + "\n");
    EXPECT_EQ(RunCli({"--simulate", "--quiet"}), 0) << cli.Errors();
    EXPECT_EQ(cli.Errors(), "");
    std::vector<SimReport> samples = SampleReports();
    EXPECT_EQ(TempFolder::Read(saved / "KETTLE 2200W-R001.TXT"), samples[0].text);
    EXPECT_EQ(TempFolder::Read(saved / "DRILL 18V_CHG-R002.TXT"), samples[1].text);
    EXPECT_EQ(TempFolder::Read(saved / "EXT LEAD 10M-R003.TXT"), samples[2].text);
}

TEST_F(CliAgainstSim, SimulateOnAFirstRunUsesTheHomeFolderAndSavesIt) {
    EXPECT_EQ(RunCli({"--simulate"}), 0) << cli.Errors();
    EXPECT_TRUE(fs::exists(home / "ZT914reports" / "KETTLE 2200W-R001.TXT"));
    EXPECT_NE(TempFolder::Read(home / ".config" / "Quillfen" / "Fetchwell.conf")
                  .find("filepath=" + (home / "ZT914reports").string()),
              std::string::npos);
}

TEST_F(CliAgainstSim, CommandLineMistakesAndHelp) {
    EXPECT_EQ(RunCli({"--simulate", "--port", "/dev/ttyS0"}), 2);
    EXPECT_NE(cli.Errors().find("--port and --simulate exclude each other"), std::string::npos);
    ChildProcess help;
    StartCli(help, {"--help"});
    EXPECT_EQ(help.Wait(RUN_LIMIT), 0);
    EXPECT_NE(help.Output().find("Exit status:"), std::string::npos);
    ChildProcess version;
    StartCli(version, {"--version"});
    EXPECT_EQ(version.Wait(RUN_LIMIT), 0);
    EXPECT_EQ(version.Output(), "fetchwell-cli 1.1.0\n");
}

}  // namespace
