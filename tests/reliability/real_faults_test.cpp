// Real faults on real file systems, each played through the scenario player, which also checks every general
// promise of the run: a disk that fills up, a file system out of inodes, the report folder deleted while the
// download runs, and an instrument that announces far more reports than it sends.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "download_scenario.h"
#include "scenario_check.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace {

const std::string kAlpha = std::string(998, 'a') + "\r\n\f";  // two chunks of 512
const std::string kBeta = std::string(99998, 'b') + "\r\n\f";
const std::string kGamma = "gamma\r\n\f";

// Three reports over files of an earlier run; the user would answer Yes twice to the erase.
DownloadScenario ThreeReports() {
    DownloadScenario s;
    s.reports = {{"ALPHA", kAlpha}, {"BETA", kBeta}, {"GAMMA", kGamma}};
    s.chunkSize = 512;
    s.earlierFiles = true;
    s.eraseFirstYes = s.eraseSecondYes = true;
    return s;
}

ScenarioOutcome Play(const DownloadScenario& scenario, const fs::path& where) {
    ScenarioOutcome outcome = PlayScenario(scenario, where);
    EXPECT_TRUE(outcome.broken.empty()) << ::testing::PrintToString(outcome.broken) << "\n" << outcome.events;
    return outcome;
}

// A small tmpfs in a mount namespace of this process's own, so it vanishes with the process whatever happens.
// Mounting needs privileges that a machine may not give: then Mounted() is false and the test skips.
class SmallTmpfs {
  public:
    SmallTmpfs(const fs::path& at, const std::string& options) : at_(at) {
        // Source and type mean nothing to a change of propagation; they are named so no checker reads a null.
        static const bool ownNamespace =
            unshare(CLONE_NEWNS) == 0 && mount("none", "/", "none", MS_REC | MS_PRIVATE, nullptr) == 0;
        fs::create_directories(at_);
        mounted_ =
            ownNamespace && mount("tmpfs", at_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
        if (!mounted_) {
            why_ = std::strerror(errno);
        }
    }
    ~SmallTmpfs() {
        if (mounted_) {
            umount2(at_.c_str(), MNT_DETACH);
        }
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& Why() const { return why_; }

  private:
    fs::path at_;
    bool mounted_ = false;
    std::string why_;
};

class RealFaultTest : public ::testing::Test {
  protected:
    TempFolder temp;
};

// However the disk fails in the second report: the failure is told, the instrument is stopped in place of the
// next request, the erase is never offered, the first report is saved and the earlier files stay as they
// were.
void ExpectSecondReportFailedOnTheDisk(const ScenarioOutcome& outcome) {
    EXPECT_EQ(outcome.ending, "Cannot copy report to file");
    EXPECT_TRUE(outcome.abortSent);
    EXPECT_EQ(outcome.eraseQuestions, 0u);
    EXPECT_FALSE(outcome.eraseSent);
    EXPECT_EQ(outcome.reportsSaved, 1u);
    EXPECT_EQ(outcome.files.at("ALPHA-R001.TXT"), kAlpha);
    EXPECT_EQ(outcome.files.at("BETA-R002.TXT"), EarlierReportText(2));
    EXPECT_EQ(outcome.files.at("GAMMA-R003.TXT"), EarlierReportText(3));
    EXPECT_EQ(outcome.files.size(), 3u) << "no partial file beside the earlier one";
}

TEST_F(RealFaultTest, TheFileSizeLimitReachedInTheSecondReport) {
    DownloadScenario s = ThreeReports();
    s.fileSizeLimit = 8192;
    ExpectSecondReportFailedOnTheDisk(Play(s, temp.Path()));
}

TEST_F(RealFaultTest, ADiskThatFillsUpInTheSecondReport) {
    SmallTmpfs disk(temp.Path() / "disk", "size=64k");
    if (!disk.Mounted()) {
        GTEST_SKIP() << "no tmpfs can be mounted here: " << disk.Why();
    }
    ExpectSecondReportFailedOnTheDisk(Play(ThreeReports(), temp.Path() / "disk"));
}

TEST_F(RealFaultTest, AFileSystemWithoutInodesForTheSecondReport) {
    // The root, the run's folder, reports/, today/ and the first report's file take every inode there is.
    SmallTmpfs disk(temp.Path() / "disk", "size=1m,nr_inodes=5");
    if (!disk.Mounted()) {
        GTEST_SKIP() << "no tmpfs can be mounted here: " << disk.Why();
    }
    DownloadScenario s = ThreeReports();
    s.earlierFiles = false;
    ScenarioOutcome outcome = Play(s, temp.Path() / "disk");
    EXPECT_EQ(outcome.ending, "Cannot copy report to file");
    EXPECT_TRUE(outcome.abortSent);
    EXPECT_EQ(outcome.eraseQuestions, 0u);
    EXPECT_EQ(outcome.files, (std::map<std::string, std::string>{{"ALPHA-R001.TXT", kAlpha}}));
}

TEST_F(RealFaultTest, TheReportFolderDeletedWhileTheDownloadRuns) {
    struct Moment {
        const char* name;
        unsigned check;  // the cancel check at which the folder goes
        unsigned reportsSaved;
    };
    const Moment moments[] = {
        {"before the first report's file is created", 1, 0},
        {"between two chunks of the first report", 3, 0},
        {"between the first and the second report", 4, 1},
        {"in the middle of the big second report", 50, 1},
    };
    for (const Moment& m : moments) {
        DownloadScenario s = ThreeReports();
        s.removeFolderAtCheck = m.check;
        ScenarioOutcome outcome = Play(s, temp.Path());
        EXPECT_EQ(outcome.ending, "Cannot copy report to file") << m.name;
        EXPECT_TRUE(outcome.abortSent) << m.name;
        EXPECT_EQ(outcome.eraseQuestions, 0u) << m.name << ": nothing is erased that is not on disk";
        EXPECT_EQ(outcome.reportsSaved, m.reportsSaved) << m.name;
        EXPECT_TRUE(outcome.files.empty()) << m.name;
    }
}

TEST_F(RealFaultTest, AnInstrumentThatAnnouncesTheMostReportsAndStopsAfterAFew) {
    DownloadScenario s = ThreeReports();
    s.faults.announcedCount = 65535;
    ScenarioOutcome outcome = Play(s, temp.Path());
    EXPECT_EQ(outcome.ending, "Data transfer timeout");
    EXPECT_FALSE(outcome.abortSent) << "nothing is sent after a time-out";
    EXPECT_EQ(outcome.reportsSaved, 3u);
    EXPECT_EQ(outcome.eraseQuestions, 0u);
}

// The report counter runs to the last number an instrument can announce and stops there. Every report is
// synced, so the 65535 files go to a tmpfs, where a sync costs nothing.
TEST_F(RealFaultTest, TheMostReportsAnInstrumentCanHold) {
    SmallTmpfs disk(temp.Path() / "disk", "size=512m");
    if (!disk.Mounted()) {
        GTEST_SKIP() << "no tmpfs can be mounted here: " << disk.Why();
    }
    DownloadScenario s;
    s.reports.assign(65535, SimReport{"", "r\f"});
    ScenarioOutcome outcome = Play(s, temp.Path() / "disk");
    EXPECT_EQ(outcome.ending, "done");
    EXPECT_EQ(outcome.reportsSaved, 65535u);
    EXPECT_EQ(outcome.files.size(), 65535u);
    EXPECT_EQ(outcome.files.count("-R65535.TXT"), 1u);
}

}  // namespace
