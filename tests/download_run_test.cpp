// Every way a download run can end, against the simulated instrument on the virtual clock and a real folder:
// the link events and boxes in order, the status line, and the files left on disk byte for byte.
#include "download/download_run.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "download/protocol.h"
#include "fakes/fake_windowing.h"
#include "file_size_limit.h"
#include "link/link.h"
#include "platform/posix/posix_directories.h"
#include "shared_state.h"
#include "sim/sim_driver.h"
#include "temp_folder.h"

namespace {

const std::string kAlpha = "alpha 1\r\nalpha 2\r\n\f";  // 19 bytes: chunks of 16 and 3
const std::string kBeta = "beta\r\nend\r\n\f";          // 12 bytes: one chunk
constexpr std::uint64_t kInfoEnd = INFO_BLOCK_SIZE;     // bytes the instrument has sent after the info block
constexpr std::uint64_t kAlphaHead = kInfoEnd + 1 + 5 + 1;  // ...and after ALPHA's start byte, name and zero

class DownloadRunTest : public ::testing::Test {
  public:
    DownloadRunTest() {
        folder = temp.Path() / "reports";
        std::snprintf(reportFolder, sizeof reportFolder, "%s", folder.c_str());
        instrument.SetReports({{"ALPHA", kAlpha}, {"BETA", kBeta}});
        instrument.SetChunkSize(16);
        driver.onEvent = [this](const std::string& event) { log.push_back(event); };
        windowing.log = &log;
        InstallDriver(&driver);
        InstallClock(&clock);
        InstallWindowing(&windowing);
        InstallDirectories(&directories);
    }

    void CancelAtCheck(int check) {
        windowing.onPump = [this, check](WindowHandle) {
            if (windowing.pumps == check) {
                cancelRequested = 1;
            }
        };
    }

    // The log in short: commands and control bytes by name, boxes and status texts by their text.
    std::string Events() const {
        static const std::map<std::string, std::string> names = {
            {"send 47 45 53 49 0D", "GESI"},
            {"send 52 50 44 4C 0D", "RPDL"},
            {"send 45 52 45 43 0D", "EREC"},
            {"send 43", "C"},
            {"send 58", "X"},
        };
        std::string events;
        for (const std::string& event : log) {
            std::string shown = event;
            if (auto name = names.find(event); name != names.end()) {
                shown = name->second;
            } else if (event.rfind("text 106 Status: Receiving report #", 0) == 0) {
                shown = "#" + event.substr(35, event.find(' ', 35) - 35);
            } else if (event.rfind("text 106 ", 0) == 0) {
                shown = event.substr(9);
            } else if (event.rfind("box ", 0) == 0) {
                shown = "[" +
                        event.substr(4, event.find('\n') == std::string::npos ? std::string::npos
                                                                              : event.find('\n') - 4) +
                        "]";
            } else if (event == "pump") {
                continue;
            }
            events += (events.empty() ? "" : " ") + shown;
        }
        return events;
    }

    TempFolder temp;
    std::filesystem::path folder;
    SimInstrument instrument;
    VirtualClock clock{0xFFFFF000u};  // wraps during every run
    SimDriver driver{instrument, clock};
    FakeWindowing windowing;
    PosixDirectories directories;
    std::vector<std::string> log;
};

using Files = std::map<std::string, std::string>;

struct EndCase {
    const char* name;
    std::function<void(DownloadRunTest&)> arrange;
    std::string events;
    const char* status;  // the status line afterwards
    Files files;
};

void PrintTo(const EndCase& row, std::ostream* out) {
    *out << row.name;
}

class RunEndTest : public DownloadRunTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(RunEndTest, EndsAsItsRowSays) {
    const EndCase& c = GetParam();
    if (c.arrange) {
        c.arrange(*this);
    }
    RunDownload();
    EXPECT_EQ(Events(), c.events);
    EXPECT_EQ(windowing.texts[IDC_STATUS], c.status);
    EXPECT_EQ(TempFolder::Files(folder), c.files);
    EXPECT_FALSE(driver.open) << "the link is closed on every path";
    EXPECT_LE(driver.closes, 1);
}

const std::string kDone = "Status: DONE";
const std::string kCancelled = "Status: CANCELLED";

FaultPlan Silent(std::uint64_t fromByte) {
    FaultPlan plan;
    plan.silentFromByte = fromByte;
    return plan;
}

// The user says Yes twice; the instrument answers the erase command with `reply`.
std::function<void(DownloadRunTest&)> EraseConfirmedAndAnsweredWith(std::string reply) {
    return [reply](DownloadRunTest& run) {
        FaultPlan plan;
        plan.eraseReply = reply;
        run.instrument.SetFaults(plan);
        run.windowing.answers = {IDYES, IDYES};
    };
}

INSTANTIATE_TEST_SUITE_P(
    Download, RunEndTest,
    ::testing::Values(
        EndCase{
            "AllReportsEraseDeclined",
            nullptr,
            "open GESI RPDL #1 C C C #2 C C Status: DONE [ERASE TEST RECORDS: Erase Test Records in ZT914 "
            "memory?] close",
            "Status: DONE",
            {{"ALPHA-R001.TXT", kAlpha}, {"BETA-R002.TXT", kBeta}}},
        EndCase{
            "EraseAcknowledged",
            [](DownloadRunTest& run) {
                run.windowing.answers = {IDYES, IDYES};
            },
            "open GESI RPDL #1 C C C #2 C C Status: DONE [ERASE TEST RECORDS: Erase Test Records in ZT914 "
            "memory?] [ERASE TEST RECORDS: Erase Test Records in ZT914 memory:] EREC close",
            "Status: DONE",
            {{"ALPHA-R001.TXT", kAlpha}, {"BETA-R002.TXT", kBeta}}},
        EndCase{
            "EraseAnsweredWrongly",
            EraseConfirmedAndAnsweredWith("?"),
            "open GESI RPDL #1 C C C #2 C C Status: DONE [ERASE TEST RECORDS: Erase Test Records in ZT914 "
            "memory?] [ERASE TEST RECORDS: Erase Test Records in ZT914 memory:] EREC [DOWNLOAD ERROR: Data "
            "transfer timeout] Status: CANCELLED close",
            "Status: CANCELLED",
            {{"ALPHA-R001.TXT", kAlpha}, {"BETA-R002.TXT", kBeta}}},
        EndCase{
            "EraseNotAnswered",
            EraseConfirmedAndAnsweredWith(""),
            "open GESI RPDL #1 C C C #2 C C Status: DONE [ERASE TEST RECORDS: Erase Test Records in ZT914 "
            "memory?] [ERASE TEST RECORDS: Erase Test Records in ZT914 memory:] EREC [DOWNLOAD ERROR: Data "
            "transfer timeout] Status: CANCELLED close",
            "Status: CANCELLED",
            {{"ALPHA-R001.TXT", kAlpha}, {"BETA-R002.TXT", kBeta}}},
        EndCase{"FolderCannotBePrepared",
                [](DownloadRunTest& run) {
                    TempFolder::Write(run.temp.Path() / "blocker", "a file");
                    std::snprintf(reportFolder, sizeof reportFolder, "%s/sub",
                                  (run.temp.Path() / "blocker").c_str());
                },
                "[DOWNLOAD ERROR: Report Folder not accessible] Status: CANCELLED",
                "Status: CANCELLED",
                {}},
        EndCase{"NotConnected",
                [](DownloadRunTest& run) { run.driver.failOpen = true; },
                "[DOWNLOAD ERROR: ZT914 not connected to PC USB] Status: CANCELLED",
                "Status: CANCELLED",
                {}},
        EndCase{"NoInformationBlock",
                [](DownloadRunTest& run) { run.instrument.SetFaults(Silent(263)); },
                "open GESI [DOWNLOAD ERROR: ZT914 not set to USB MODE] Status: CANCELLED close",
                "Status: CANCELLED",
                {}},
        EndCase{"NoReports",
                [](DownloadRunTest& run) { run.instrument.SetReports({}); },
                "open GESI [DOWNLOAD ERROR: No reports to download] Status: CANCELLED close",
                "Status: CANCELLED",
                {}},
        EndCase{"NoStartByte",
                [](DownloadRunTest& run) { run.instrument.SetFaults(Silent(kInfoEnd)); },
                "open GESI RPDL #1 [DOWNLOAD ERROR: Data transfer timeout] Status: CANCELLED close",
                "Status: CANCELLED",
                {}},
        EndCase{"NameCutShort",
                [](DownloadRunTest& run) { run.instrument.SetFaults(Silent(kInfoEnd + 3)); },
                "open GESI RPDL #1 [DOWNLOAD ERROR: Data transfer timeout] Status: CANCELLED close",
                "Status: CANCELLED",
                {}},
        EndCase{"CancelAfterName",
                [](DownloadRunTest& run) { run.CancelAtCheck(1); },
                "open GESI RPDL #1 Status: CANCELLED X close",
                "Status: CANCELLED",
                {}},
        EndCase{"FileCannotBeCreated",
                [](DownloadRunTest& run) {
                    std::filesystem::create_directories(run.folder / "ALPHA-R001.TXT.part");
                },
                "open GESI RPDL #1 X [DOWNLOAD ERROR: Cannot copy report to file] Status: CANCELLED close",
                "Status: CANCELLED",
                {{"ALPHA-R001.TXT.part", "<dir>"}}},
        EndCase{"CancelBeforeFirstChunk",
                [](DownloadRunTest& run) { run.CancelAtCheck(2); },
                "open GESI RPDL #1 Status: CANCELLED X close",
                "Status: CANCELLED",
                {{"ALPHA-R001.TXT", ""}}},
        EndCase{"CancelBeforeSecondChunk",
                [](DownloadRunTest& run) { run.CancelAtCheck(3); },
                "open GESI RPDL #1 C Status: CANCELLED X close",
                "Status: CANCELLED",
                {{"ALPHA-R001.TXT", kAlpha.substr(0, 16)}}},
        EndCase{"ChunkCutShort",
                [](DownloadRunTest& run) { run.instrument.SetFaults(Silent(kAlphaHead + 17 + 2)); },
                "open GESI RPDL #1 C C [DOWNLOAD ERROR: Data transfer timeout] Status: CANCELLED close",
                "Status: CANCELLED",
                {{"ALPHA-R001.TXT", kAlpha.substr(0, 16)}}},
        EndCase{"SecondReportMissing",
                [](DownloadRunTest& run) { run.instrument.SetFaults(Silent(kAlphaHead + 17 + 4)); },
                "open GESI RPDL #1 C C C #2 [DOWNLOAD ERROR: Data transfer timeout] Status: CANCELLED close",
                "Status: CANCELLED",
                {{"ALPHA-R001.TXT", kAlpha}}},
        EndCase{"UnpluggedMidChunk",
                [](DownloadRunTest& run) {
                    FaultPlan plan;
                    plan.failAtByte = kAlphaHead + 5;
                    run.instrument.SetFaults(plan);
                },
                "open GESI RPDL #1 C [DOWNLOAD ERROR: Data transfer timeout] Status: CANCELLED close",
                "Status: CANCELLED",
                {{"ALPHA-R001.TXT", ""}}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(DownloadRunTest, OneReport) {
    instrument.SetReports({{"ONLY", kBeta}});
    RunDownload();
    EXPECT_EQ(windowing.statusHistory,
              (std::vector<std::string>{"Status: Receiving report #1 of 1...", "Status: DONE"}));
    EXPECT_EQ(TempFolder::Files(folder), (Files{{"ONLY-R001.TXT", kBeta}}));
}

TEST_F(DownloadRunTest, ErrorBoxesAreShownWhileTheLinkIsOpenAndCarryTheStopIcon) {
    instrument.SetFaults(Silent(kInfoEnd));
    RunDownload();
    ASSERT_EQ(windowing.boxes.size(), 1u);
    EXPECT_EQ(windowing.boxes[0].owner, windowing.Dialog());
    EXPECT_EQ(windowing.boxes[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_EQ(log.back(), "close");
}

TEST_F(DownloadRunTest, CancelDuringAChunkWaitIsHeardAtTheNextCheck) {
    driver.onEvent = [this](const std::string& event) {
        log.push_back(event);
        if (event == "send 43") {
            cancelRequested = 1;  // the user presses Cancel while the chunk is on its way
        }
    };
    RunDownload();
    EXPECT_EQ(Events(), "open GESI RPDL #1 C Status: CANCELLED X close");
    EXPECT_EQ(clock.sleeps, std::vector<std::uint32_t>{ABORT_PAUSE_MS});
    EXPECT_TRUE(windowing.boxes.empty());
    EXPECT_EQ(TempFolder::Files(folder), (Files{{"ALPHA-R001.TXT", kAlpha.substr(0, 16)}}));
    EXPECT_TRUE(instrument.Aborted());
}

// A driver that reports success for less than it was asked to read.
class ShortReadingDriver : public SimDriver {
  public:
    using SimDriver::SimDriver;
    DriverStatus Read(DeviceHandle handle, void* destination, std::uint32_t length,
                      std::uint32_t* returned) override {
        return SimDriver::Read(handle, destination, length > 100 ? 100 : length, returned);
    }
};

TEST_F(DownloadRunTest, AnInformationBlockHandedOverInPartIsNotTakenForAWholeOne) {
    RunDownload();  // leaves a whole block, announcing two reports, in the buffer
    ShortReadingDriver shortReading(instrument, clock);
    shortReading.onEvent = driver.onEvent;
    InstallDriver(&shortReading);
    log.clear();
    RunDownload();
    EXPECT_EQ(Events(), "open GESI [DOWNLOAD ERROR: ZT914 not set to USB MODE] Status: CANCELLED close");
}

TEST_F(DownloadRunTest, ACancelLeftFromAnEarlierRunIsForgotten) {
    cancelRequested = 1;
    RunDownload();
    EXPECT_EQ(windowing.texts[IDC_STATUS], kDone);
}

TEST_F(DownloadRunTest, NamesAndChunksAtTheirLimits) {
    const std::string name31(31, 'n');
    const std::string name32 = std::string(32, 'm');
    const std::string chunk2048(2048, 'c');
    instrument.SetChunkSize(4096);
    instrument.SetReports(
        {{name31, "a\fb"},                 // text after the form feed belongs to the report
         {name32, "x\r\ny\n\f"},           // its zero is read as an empty first chunk
         {"BIG", chunk2048 + "rest\f"}});  // the rest of an over-long chunk is the next chunk
    RunDownload();
    EXPECT_EQ(windowing.texts[IDC_STATUS], kDone);
    EXPECT_EQ(TempFolder::Files(folder), (Files{{name31 + "-R001.TXT", "a\fb"},
                                                {name32 + "-R002.TXT", "x\r\ny\n\f"},
                                                {"BIG-R003.TXT", chunk2048 + "rest\f"}}));
}

TEST_F(DownloadRunTest, JunkBeforeTheStartByteAndALongInformationBlockAreDropped) {
    FaultPlan plan;
    plan.infoBlockSize = 300;
    plan.junkBeforeStart = "\r\n*junk*";
    instrument.SetFaults(plan);
    RunDownload();
    EXPECT_EQ(TempFolder::Files(folder), (Files{{"ALPHA-R001.TXT", kAlpha}, {"BETA-R002.TXT", kBeta}}));
}

TEST_F(DownloadRunTest, AnnouncedCountBeyondWhatArrivesEndsWithTheTimeOutWithoutWrapping) {
    FaultPlan plan;
    plan.announcedCount = 65535;
    instrument.SetFaults(plan);
    RunDownload();
    EXPECT_EQ(windowing.statusHistory,
              (std::vector<std::string>{"Status: Receiving report #1 of 65535...",
                                        "Status: Receiving report #2 of 65535...",
                                        "Status: Receiving report #3 of 65535...", kCancelled}));
    EXPECT_EQ(TempFolder::Files(folder), (Files{{"ALPHA-R001.TXT", kAlpha}, {"BETA-R002.TXT", kBeta}}));
}

TEST_F(DownloadRunTest, ReportNumbersPastNineHundredNinetyNineGetAllTheirDigits) {
    instrument.SetReports(std::vector<SimReport>(1000, SimReport{"R", "r\f"}));
    RunDownload();
    Files files = TempFolder::Files(folder);
    EXPECT_EQ(files.size(), 1000u);
    EXPECT_EQ(files.count("R-R999.TXT"), 1u);
    EXPECT_EQ(files.count("R-R1000.TXT"), 1u);
}

// A complete report replaces an earlier file of its name; a cut-short one never does.
TEST_F(DownloadRunTest, ACutShortReportLeavesAnEarlierFileAsItWas) {
    std::filesystem::create_directories(folder);
    TempFolder::Write(folder / "ALPHA-R001.TXT", "yesterday's ALPHA\f");
    TempFolder::Write(folder / "BETA-R002.TXT", "yesterday's BETA\f");
    instrument.SetFaults(Silent(kAlphaHead + 17 + 4 + 1 + 4 + 1 + 3));  // silent inside BETA's only chunk
    RunDownload();
    EXPECT_EQ(TempFolder::Files(folder),
              (Files{{"ALPHA-R001.TXT", kAlpha}, {"BETA-R002.TXT", "yesterday's BETA\f"}}));
}

TEST_F(DownloadRunTest, ACancelLeavesAnEarlierFileAsItWas) {
    std::filesystem::create_directories(folder);
    TempFolder::Write(folder / "ALPHA-R001.TXT", "yesterday's ALPHA\f");
    CancelAtCheck(3);
    RunDownload();
    EXPECT_EQ(TempFolder::Files(folder), (Files{{"ALPHA-R001.TXT", "yesterday's ALPHA\f"}}));
}

TEST_F(DownloadRunTest, ARelativeFolderMeansTheSameFolderInEveryRun) {
    ASSERT_EQ(chdir(temp.Path().c_str()), 0);
    PosixDirectories startedHere;
    InstallDirectories(&startedHere);
    std::snprintf(reportFolder, sizeof reportFolder, "relative/reports");
    RunDownload();
    instrument.SetReports({{"GAMMA", "g\f"}});
    RunDownload();
    EXPECT_EQ(TempFolder::Files(temp.Path() / "relative/reports"),
              (Files{{"ALPHA-R001.TXT", kAlpha}, {"BETA-R002.TXT", kBeta}, {"GAMMA-R001.TXT", "g\f"}}));
    EXPECT_FALSE(std::filesystem::exists(temp.Path() / "relative/reports/relative"));
}

// A disk that fills up, played by the file size limit: the failure is told, the instrument is stopped in
// place of the next request, and the erase is never offered.
TEST_F(DownloadRunTest, AWriteThatFailsEndsTheRunBeforeTheNextRequest) {
    instrument.SetChunkSize(2047);
    const std::string big(3 * 2047, 'd');
    instrument.SetReports({{"BIG", big + "\f"}});
    windowing.answers = {IDYES, IDYES};
    {
        FileSizeLimit limit(3000);
        RunDownload();
    }
    // The stream's buffer holds two chunks; the third makes it write and the write fails.
    EXPECT_EQ(
        Events(),
        "open GESI RPDL #1 C C C X [DOWNLOAD ERROR: Cannot copy report to file] Status: CANCELLED close");
    EXPECT_FALSE(instrument.Erased());
}

TEST_F(DownloadRunTest, AFlushThatFailsAtTheCloseEndsTheRunInPlaceOfTheAcknowledgement) {
    windowing.answers = {IDYES, IDYES};
    {
        FileSizeLimit limit(10);
        RunDownload();
    }
    EXPECT_EQ(Events(),
              "open GESI RPDL #1 C C X [DOWNLOAD ERROR: Cannot copy report to file] Status: CANCELLED close");
    EXPECT_FALSE(instrument.Erased());
    EXPECT_EQ(TempFolder::Files(folder), (Files{{"ALPHA-R001.TXT", kAlpha.substr(0, 10)}}));
}

// The storage device refusing to sync cannot be played on a real folder.
class UnsyncableDirectories : public PosixDirectories {
  public:
    bool SyncFile(std::FILE*) override { return false; }
};

TEST_F(DownloadRunTest, NothingIsErasedThatIsNotSafelyOnDisk) {
    UnsyncableDirectories unsyncable;
    InstallDirectories(&unsyncable);
    windowing.answers = {IDYES, IDYES};
    RunDownload();
    EXPECT_EQ(Events(),
              "open GESI RPDL #1 C C X [DOWNLOAD ERROR: Cannot copy report to file] Status: CANCELLED close");
    EXPECT_FALSE(instrument.Erased());
}

}  // namespace
