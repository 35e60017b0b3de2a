// The driver seam on Windows: FTD2XX.DLL found and called at run time, here the stand-in beside the test
// program with the simulated instrument on the real clock; and whole download runs over it with the real
// clock, folders and files, the window system faked.
#include "platform/windows/ftd2xx_driver.h"
// Before any header that brings the resource ids: <windows.h> has a cursor id of the same name as one of
// them.
#include "platform/windows/resource_ids_windows.h"

#include <gtest/gtest.h>

#include <string>

#include "download/download_run.h"
#include "download/protocol.h"
#include "download/report_files.h"
#include "fakes/fake_windowing.h"
#include "link/link.h"
#include "platform/windows/windows_clock.h"
#include "platform/windows/windows_directories.h"
#include "shared_state.h"
#include "sim/instrument.h"
#include "windows_test_support.h"

namespace {

class Ftd2xxDriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        scratch_ = NewScratchFolder("ftd2xx");
        InstallClock(&clock_);
    }
    void TearDown() override {
        SetEnvironmentVariableA("FETCHWELL_STANDIN", nullptr);
        RemoveFolder(scratch_);
    }

    // The stand-in's settings for the next FT_Open; every open is logged in the scratch folder.
    void Instrument(const std::string& settings) {
        std::string path = scratch_ + "standin.txt";
        ASSERT_TRUE(WriteWholeFile(path, settings + "\nlog " + scratch_ + "standin.log\n"));
        SetEnvironmentVariableA("FETCHWELL_STANDIN", path.c_str());
    }
    std::string StandinLog() {
        std::string log;
        ReadWholeFile(scratch_ + "standin.log", &log);
        return log;
    }

    std::string scratch_;
    WindowsClock clock_;
};

TEST_F(Ftd2xxDriverTest, ReachesTheInstrumentThroughTheLibrary) {
    Instrument("reports sample");
    Ftd2xxDriver driver;
    InstallDriver(&driver);
    ASSERT_EQ(LinkOpen(), 0);
    EXPECT_EQ(LinkSendText(CMD_GET_INFO, COMMAND_LENGTH), 5);
    unsigned char block[INFO_BLOCK_SIZE] = {};
    EXPECT_EQ(LinkReadBlock(block, INFO_BLOCK_SIZE, INFO_BLOCK_TIMEOUT_MS),
              static_cast<int>(INFO_BLOCK_SIZE));
    EXPECT_EQ(block[REPORT_COUNT_OFFSET], SampleReports().size());
    EXPECT_EQ(block[REPORT_COUNT_OFFSET + 1], 0);
    EXPECT_EQ(LinkReadByte(50), LINK_TIMEOUT);
    EXPECT_EQ(LinkClose(), 0);
    EXPECT_EQ(StandinLog(), "open\nwrite 47 45 53 49 0D\nclose\n");
}

TEST_F(Ftd2xxDriverTest, OpenFailsWithoutAUsableLibraryOrDevice) {
    struct Case {
        const char* name;
        const char* library;
        const char* settings;
    };
    const Case cases[] = {
        {"no such library", "FETCHWELL-NO-SUCH-DRIVER.DLL", "reports sample"},
        {"a library without the driver's calls", "KERNEL32.DLL", "reports sample"},
        {"no instrument on the port", "FTD2XX.DLL", "no-device"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        Instrument(test.settings);
        Ftd2xxDriver driver(test.library);
        InstallDriver(&driver);
        EXPECT_EQ(LinkOpen(), -1);
    }
}

TEST_F(Ftd2xxDriverTest, ADriverFailureEndsAWaitAtOnce) {
    Instrument("reports sample\nfail-at-byte 10");
    Ftd2xxDriver driver;
    InstallDriver(&driver);
    ASSERT_EQ(LinkOpen(), 0);
    LinkSendText(CMD_GET_INFO, COMMAND_LENGTH);
    unsigned char block[INFO_BLOCK_SIZE];
    ASSERT_EQ(LinkReadBlock(block, 10, INFO_BLOCK_TIMEOUT_MS), 10);
    DWORD start = GetTickCount();
    EXPECT_EQ(LinkReadByte(60000), LINK_FAILED);
    EXPECT_LT(GetTickCount() - start, 30000u);  // far below the limit: the failure ended the wait
    LinkClose();
}

// Whole runs on the real clock, through the library, into real files.
class DownloadOverTheLibraryTest : public Ftd2xxDriverTest {
  protected:
    void SetUp() override {
        Ftd2xxDriverTest::SetUp();
        InstallDriver(&driver_);
        InstallDirectories(&directories_);
        InstallWindowing(&windowing_);
        std::snprintf(reportFolder, sizeof reportFolder, "%sreports", scratch_.c_str());
    }
    void TearDown() override {
        SetCurrentDirectoryA(ProgramFolder().c_str());
        Ftd2xxDriverTest::TearDown();
    }

    std::string ReportPath(const std::string& fileName) {
        return std::string(reportFolder) + "\\" + fileName;
    }

    Ftd2xxDriver driver_;
    WindowsDirectories directories_;
    FakeWindowing windowing_;
};

TEST_F(DownloadOverTheLibraryTest, SavesEveryReportByteForByteAndErasesWhenConfirmed) {
    Instrument("reports sample\nchunk-size 100");
    windowing_.answers = {IDYES, IDYES};
    RunDownload();

    EXPECT_EQ(windowing_.texts[IDC_STATUS], "Status: DONE");
    ASSERT_EQ(windowing_.boxes.size(), 2u);  // the two erase questions and nothing else
    const char* names[] = {"KETTLE 2200W-R001.TXT", "DRILL 18V_CHG-R002.TXT", "EXT LEAD 10M-R003.TXT"};
    std::vector<SimReport> reports = SampleReports();
    for (std::size_t i = 0; i < reports.size(); ++i) {
        std::string content;
        ASSERT_TRUE(ReadWholeFile(ReportPath(names[i]), &content)) << names[i];
        EXPECT_EQ(content, reports[i].text) << names[i];
    }
    EXPECT_NE(StandinLog().find("write 45 52 45 43 0D\n"), std::string::npos);
    EXPECT_NE(StandinLog().find("close erased"), std::string::npos);
}

TEST_F(DownloadOverTheLibraryTest, EndsWithTheErrorBoxOfEachFailure) {
    struct Case {
        const char* name;
        const char* settings;
        const char* box;
    };
    const Case cases[] = {
        {"no instrument", "no-device", "ZT914 not connected to PC USB"},
        {"no information block", "silent-from-byte 100", "ZT914 not set to USB MODE"},
        {"no reports", "reports none", "No reports to download"},
        {"silent inside a report", "reports sample\nsilent-from-byte 400", "Data transfer timeout"},
        {"unplugged inside a report", "reports sample\nfail-at-byte 400", "Data transfer timeout"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        windowing_.boxes.clear();
        Instrument(test.settings);
        RunDownload();
        ASSERT_EQ(windowing_.boxes.size(), 1u);
        EXPECT_EQ(windowing_.boxes[0].body, test.box);
        EXPECT_EQ(windowing_.boxes[0].caption, "DOWNLOAD ERROR");
        EXPECT_EQ(windowing_.texts[IDC_STATUS], "Status: CANCELLED");
    }
}

}  // namespace
