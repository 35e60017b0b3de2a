// The main dialog's message procedure over the fake windowing, the fake setting store and the simulated
// instrument: its start, each command in Idle and while a download runs, the folder field's saving and the
// centring.
#include "ui/dialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "download/directories.h"
#include "fakes/fake_setting_store.h"
#include "fakes/fake_windowing.h"
#include "platform/posix/posix_directories.h"
#include "settings/setting_store.h"
#include "shared_state.h"
#include "sim/sim_driver.h"
#include "temp_folder.h"
#include "ui/strings.h"

namespace {

namespace fs = std::filesystem;

constexpr unsigned EN_SETFOCUS = 0x0100;
constexpr unsigned EN_KILLFOCUS = 0x0200;
constexpr unsigned EN_UPDATE = 0x0400;
constexpr unsigned BN_DOUBLECLICKED = 5;
constexpr unsigned WM_PAINT = 0x000F;

std::uintptr_t Command(int controlId, unsigned notification = 0) {
    return static_cast<std::uintptr_t>(notification) << 16 | static_cast<std::uintptr_t>(controlId);
}

std::string Text(int textId) {
    return StringTableText(textId);
}

// Names a parameterised case after its table row, in the test's name and in its failure messages.
template <typename Row>
std::string RowName(const ::testing::TestParamInfo<Row>& row) {
    return row.param.name;
}
template <typename Row>
requires requires(const Row& row) {
    row.name;
}
std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << row.name;
}

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : TempFolder::Files(folder)) {
        names.push_back(name);
    }
    return names;
}

class DialogTest : public ::testing::Test {
  protected:
    DialogTest() : driver(instrument, clock) {
        fs::current_path(temp.Path());
        directories.emplace();
        InstallWindowing(&windowing);
        InstallSettingStore(&store);
        InstallFolderPicker(&picker);
        InstallDriver(&driver);
        InstallClock(&clock);
        InstallDirectories(&*directories);
        SetDefaultReportFolder("/home/tech/ZT914reports");
        instrument.SetReports(SampleReports());
        store.keyExists = true;
        store.value = std::string("reports") + '\0';
        downloadActive = 1;
        cancelRequested = 1;
    }

    WindowHandle Dialog() { return windowing.Dialog(); }
    int Send(unsigned message, std::uintptr_t wParam = 0) {
        return MainDialogProc(Dialog(), message, wParam, 0);
    }
    int Click(int controlId) { return Send(WM_COMMAND, Command(controlId)); }
    void Open() {
        Send(WM_INITDIALOG);
        windowing.log = &log;
    }
    // The user types into the folder field: its text changes, then the field tells the dialog.
    int Edit(const std::string& text) {
        windowing.texts[IDC_FOLDER] = text;
        return Send(WM_COMMAND, Command(IDC_FOLDER, EN_CHANGE));
    }
    std::string Stored() const { return store.value.value_or("<none>"); }

    TempFolder temp;
    FakeWindowing windowing;
    FakeSettingStore store;
    FakeFolderPicker picker;
    SimInstrument instrument;
    VirtualClock clock;
    SimDriver driver;
    std::optional<PosixDirectories> directories;
    std::vector<std::string> log;
};

TEST_F(DialogTest, InitClearsTheFlagsCentresLoadsTheFolderAndFocusesDownload) {
    windowing.log = &log;
    windowing.windowRect = {10, 20, 410, 170};

    EXPECT_EQ(Send(WM_INITDIALOG), 0);  // 0 so that the platform leaves the focus on Download

    EXPECT_EQ(downloadActive, 0);
    EXPECT_EQ(cancelRequested, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"move 312 309", "text 101 reports", "text 106 Status: IDLE",
                                             "focus 102"}));
    EXPECT_STREQ(reportFolder, "reports");
    EXPECT_EQ(store.writes, 0);
    EXPECT_EQ(OnInitDialog(Dialog(), 0, 0), 1);
}

TEST_F(DialogTest, FirstStartShowsTheDefaultFolderAndStoresIt) {
    store.keyExists = false;
    store.value.reset();

    Open();

    EXPECT_EQ(windowing.texts[IDC_FOLDER], "/home/tech/ZT914reports");
    EXPECT_EQ(Stored(), std::string("/home/tech/ZT914reports") + '\0');
}

// One row per message the procedure can get while Idle: its answer, every windowing call it makes, and what
// ends up stored.
struct IdleCase {
    const char* name;
    unsigned message;
    std::uintptr_t wParam;
    int answer;
    std::vector<std::string> events;
    bool saves;
};

class IdleCommandTest : public DialogTest, public ::testing::WithParamInterface<IdleCase> {};

TEST_P(IdleCommandTest, AnswersAndActs) {
    const IdleCase& row = GetParam();
    Open();
    windowing.texts[IDC_FOLDER] = "/media/usb/reports";

    EXPECT_EQ(Send(row.message, row.wParam), row.answer);

    EXPECT_EQ(log, row.events);
    EXPECT_EQ(store.writes, row.saves ? 1 : 0);
    EXPECT_STREQ(reportFolder, row.saves ? "/media/usb/reports" : "reports");
    EXPECT_EQ(windowing.texts[IDC_STATUS], "Status: IDLE");
    EXPECT_EQ(driver.opens, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, IdleCommandTest,
    ::testing::Values(
        IdleCase{"FolderChanged", WM_COMMAND, Command(IDC_FOLDER, EN_CHANGE), 1, {}, true},
        IdleCase{"FolderFocused", WM_COMMAND, Command(IDC_FOLDER, EN_SETFOCUS), 1, {}, false},
        IdleCase{"FolderLostFocus", WM_COMMAND, Command(IDC_FOLDER, EN_KILLFOCUS), 1, {}, false},
        IdleCase{"FolderAboutToChange", WM_COMMAND, Command(IDC_FOLDER, EN_UPDATE), 1, {}, false},
        IdleCase{"ExitEndsWithZero", WM_COMMAND, Command(IDC_EXIT), 1, {"end 0"}, false},
        IdleCase{"ExitDoubleClickedStillExits",
                 WM_COMMAND,
                 Command(IDC_EXIT, BN_DOUBLECLICKED),
                 1,
                 {"end 0"},
                 false},
        IdleCase{"FolderLabelIgnored", WM_COMMAND, Command(IDC_FOLDER_LABEL), 0, {}, false},
        IdleCase{"StatusIgnored", WM_COMMAND, Command(IDC_STATUS), 0, {}, false},
        IdleCase{"Help",
                 WM_COMMAND,
                 Command(IDC_HELP),
                 1,
                 {"box " + Text(IDS_HELP_CAPTION) + ": " + Text(IDS_HELP_TEXT)},
                 false},
        IdleCase{"EscIgnored", WM_COMMAND, Command(IDCANCEL), 0, {}, false},
        IdleCase{"EnterOutsideTheIdsIgnored", WM_COMMAND, Command(IDOK), 0, {}, false},
        IdleCase{"DialogIdIgnored", WM_COMMAND, Command(IDD_MAIN), 0, {}, false},
        IdleCase{"IdAfterHelpIgnored", WM_COMMAND, Command(IDC_HELP + 1), 0, {}, false},
        IdleCase{"IdZeroIgnored", WM_COMMAND, Command(0), 0, {}, false},
        // Only the low word is the id: a high word that happens to hold a control id changes nothing.
        IdleCase{"HighWordIsNotTheId", WM_COMMAND, Command(0, IDC_EXIT), 0, {}, false},
        IdleCase{"CloseEndsWithZero", WM_CLOSE, 0, 1, {"end 0"}, false},
        IdleCase{"OtherMessageLeftToThePlatform", WM_PAINT, Command(IDC_EXIT), 0, {}, false}),
    RowName<IdleCase>);

TEST_F(DialogTest, HelpLeavesTheStatusLineAsTheLastRunLeftIt) {
    Open();
    Click(IDC_DOWNLOAD);
    ASSERT_EQ(windowing.texts[IDC_STATUS], "Status: DONE");

    Click(IDC_HELP);

    ASSERT_EQ(windowing.boxes.size(), 2u);  // the first erase question, answered No, then help
    EXPECT_EQ(windowing.boxes.back().flags, MB_OK);
    EXPECT_EQ(windowing.boxes.back().owner, Dialog());
    EXPECT_EQ(windowing.texts[IDC_STATUS], "Status: DONE");
}

TEST_F(DialogTest, DownloadDisablesRunsAndRestoresInOrder) {
    driver.failOpen = true;  // a short run: the instrument is not there
    Open();

    EXPECT_EQ(Click(IDC_DOWNLOAD), 1);

    EXPECT_EQ(log, (std::vector<std::string>{
                       "disable 102", "disable 105", "disable 107", "disable 101", "text 103 Cancel",
                       "box DOWNLOAD ERROR: ZT914 not connected to PC USB", "text 106 Status: CANCELLED",
                       "enable 102", "enable 105", "enable 107", "enable 101", "text 103 Exit"}));
    EXPECT_EQ(downloadActive, 0);
    // The status line keeps what the run left; the focus is not moved.
    EXPECT_EQ(windowing.texts[IDC_STATUS], "Status: CANCELLED");
    EXPECT_EQ(windowing.focus, IDC_DOWNLOAD);
}

TEST_F(DialogTest, DownloadingStateHoldsWhileTheRunDispatchesMessages) {
    Open();
    std::vector<int> activeAtPumps;
    windowing.onPump = [&](WindowHandle) {
        activeAtPumps.push_back(downloadActive);
        EXPECT_EQ(windowing.texts[IDC_EXIT], "Cancel");
        for (int controlId : {IDC_DOWNLOAD, IDC_BROWSE, IDC_HELP, IDC_FOLDER}) {
            EXPECT_TRUE(windowing.disabled[controlId]) << controlId;
        }
        EXPECT_FALSE(windowing.disabled[IDC_EXIT]);
    };
    windowing.answers = {IDYES, IDYES};

    Click(IDC_DOWNLOAD);

    ASSERT_FALSE(activeAtPumps.empty());
    EXPECT_EQ(activeAtPumps, std::vector<int>(activeAtPumps.size(), 1));
    EXPECT_EQ(downloadActive, 0);
    EXPECT_EQ(windowing.texts[IDC_EXIT], "Exit");
    EXPECT_EQ(windowing.texts[IDC_STATUS], "Status: DONE");
    EXPECT_TRUE(instrument.Erased());
    EXPECT_EQ(FilesIn(temp.Path() / "reports"),
              (std::vector<std::string>{"DRILL 18V_CHG-R002.TXT", "EXT LEAD 10M-R003.TXT",
                                        "KETTLE 2200W-R001.TXT"}));
}

// One row per message that reaches the dialog at the run's first cancel check: what it does to the run.
struct DownloadingCase {
    const char* name;
    unsigned message;
    std::uintptr_t wParam;
    bool endsDialog;
    bool cancels;
};

class DownloadingCommandTest : public DialogTest, public ::testing::WithParamInterface<DownloadingCase> {};

TEST_P(DownloadingCommandTest, ActsOnTheRun) {
    const DownloadingCase& row = GetParam();
    Open();
    int answerSeen = -1;
    int cancelSeen = -1;
    std::string labelSeen;
    windowing.onPump = [&](WindowHandle dialog) {
        if (answerSeen == -1) {
            answerSeen = MainDialogProc(dialog, row.message, row.wParam, 0);
            cancelSeen = cancelRequested;
            labelSeen = windowing.texts[IDC_EXIT];
        }
    };
    windowing.answers = {IDYES, IDYES};

    Click(IDC_DOWNLOAD);

    EXPECT_EQ(answerSeen, row.message == WM_COMMAND && (row.wParam & 0xFFFF) == IDCANCEL ? 0 : 1);
    EXPECT_EQ(cancelSeen, row.cancels ? 1 : 0);
    EXPECT_EQ(labelSeen, "Cancel");  // the label stays until the run has returned
    EXPECT_EQ(windowing.endResult, row.endsDialog ? 0 : -1);
    EXPECT_EQ(driver.opens, 1);  // never a second run inside the first
    EXPECT_EQ(driver.closes, 1);
    EXPECT_EQ(windowing.texts[IDC_EXIT], "Exit");
    EXPECT_EQ(downloadActive, 0);
    EXPECT_EQ(cancelRequested, 0);
    std::vector<std::string> files = FilesIn(temp.Path() / "reports");
    if (row.cancels) {
        // Noticed right after the first name: no file, no box, the instrument told to stop.
        EXPECT_EQ(windowing.texts[IDC_STATUS], "Status: CANCELLED");
        EXPECT_TRUE(windowing.boxes.empty());
        EXPECT_TRUE(files.empty());
        EXPECT_TRUE(instrument.Aborted());
        EXPECT_FALSE(instrument.Erased());
    } else {
        // The run goes on to its end, erase questions included.
        EXPECT_EQ(windowing.texts[IDC_STATUS], "Status: DONE");
        EXPECT_EQ(windowing.boxes.size(), 2u);
        EXPECT_EQ(files.size(), 3u);
        EXPECT_TRUE(instrument.Erased());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, DownloadingCommandTest,
    ::testing::Values(DownloadingCase{"CancelOnlySetsTheFlag", WM_COMMAND, Command(IDC_EXIT), false, true},
                      DownloadingCase{"CloseEndsTheDialogButNotTheRun", WM_CLOSE, 0, true, false},
                      DownloadingCase{"EscIgnored", WM_COMMAND, Command(IDCANCEL), false, false},
                      DownloadingCase{"DownloadAgainStartsNoSecondRun", WM_COMMAND, Command(IDC_DOWNLOAD),
                                      false, false}),
    RowName<DownloadingCase>);

TEST_F(DialogTest, CancelHeardBeforeAChunkKeepsTheReportsSoFar) {
    Open();
    bool clicked = false;
    windowing.onPump = [&](WindowHandle dialog) {
        // The first check of the second report comes right after its name: report 1 is saved, report 2 not
        // begun.
        if (!clicked && windowing.texts[IDC_STATUS] == "Status: Receiving report #2 of 3...") {
            clicked = true;
            MainDialogProc(dialog, WM_COMMAND, Command(IDC_EXIT), 0);
        }
    };

    Click(IDC_DOWNLOAD);

    EXPECT_EQ(windowing.texts[IDC_STATUS], "Status: CANCELLED");
    EXPECT_TRUE(windowing.boxes.empty());
    EXPECT_EQ(FilesIn(temp.Path() / "reports"), (std::vector<std::string>{"KETTLE 2200W-R001.TXT"}));
    EXPECT_EQ(windowing.texts[IDC_EXIT], "Exit");
}

TEST_F(DialogTest, TypingSavesAfterEveryChange) {
    Open();
    const std::string folder = "/srv/pat";
    for (std::size_t length = 1; length <= folder.size(); ++length) {
        EXPECT_EQ(Edit(folder.substr(0, length)), 1);
        EXPECT_EQ(Stored(), folder.substr(0, length) + '\0');
    }
    EXPECT_EQ(store.writes, static_cast<int>(folder.size()));

    // Emptied: an empty folder is stored, not the default.
    Edit("");
    EXPECT_STREQ(reportFolder, "");
    EXPECT_EQ(Stored(), std::string(1, '\0'));
}

TEST_F(DialogTest, FolderTextIsCutTo1023Characters) {
    Open();
    for (std::size_t length : {1022u, 1023u, 1024u, 5000u}) {
        Edit(std::string(length, 'd'));
        std::size_t kept = std::min<std::size_t>(length, REPORT_FOLDER_SIZE - 1);
        EXPECT_EQ(std::strlen(reportFolder), kept) << length;
        EXPECT_EQ(Stored(), std::string(kept, 'd') + '\0') << length;
    }
}

TEST_F(DialogTest, EditsLiveInMemoryWhenTheKeyCannotBeOpened) {
    store.failOpen = true;
    store.failCreate = true;
    Open();
    ASSERT_STREQ(reportFolder, "/home/tech/ZT914reports");

    Edit("elsewhere");

    EXPECT_STREQ(reportFolder, "elsewhere");
    EXPECT_EQ(store.writes, 0);
}

struct BrowseCase {
    const char* name;
    std::optional<std::string> choice;
    bool changes;
};

class BrowseCommandTest : public DialogTest, public ::testing::WithParamInterface<BrowseCase> {};

TEST_P(BrowseCommandTest, ShowsAndSavesOnlyAChosenFolder) {
    const BrowseCase& row = GetParam();
    Open();
    picker.choice = row.choice;

    EXPECT_EQ(Click(IDC_BROWSE), 1);

    EXPECT_EQ(picker.shown, 1);
    EXPECT_EQ(picker.shownTitle, "Select a folder for report files...");
    EXPECT_EQ(picker.shownOwner, Dialog());
    if (row.changes) {
        EXPECT_EQ(log, (std::vector<std::string>{"text 101 " + *row.choice}));
        EXPECT_EQ(reportFolder, *row.choice);
        EXPECT_EQ(Stored(), *row.choice + '\0');
        EXPECT_EQ(store.writes, 1);
    } else {
        EXPECT_TRUE(log.empty());
        EXPECT_STREQ(reportFolder, "reports");
        EXPECT_EQ(store.writes, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Dialog, BrowseCommandTest,
                         ::testing::Values(BrowseCase{"Chosen", "/media/usb/ZT914", true},
                                           BrowseCase{"Cancelled", std::nullopt, false},
                                           BrowseCase{"EmptyPath", "", false}),
                         RowName<BrowseCase>);

TEST_F(DialogTest, TwoDownloadsWithARelativeFolderWriteIntoTheSameFolder) {
    Open();
    Click(IDC_DOWNLOAD);  // both erase questions answered No: the reports stay on the instrument
    instrument.SetReports({{"PUMP", "first line\r\n\f"}});

    Click(IDC_DOWNLOAD);

    EXPECT_EQ(windowing.texts[IDC_STATUS], "Status: DONE");
    EXPECT_EQ(FilesIn(temp.Path() / "reports"),
              (std::vector<std::string>{"DRILL 18V_CHG-R002.TXT", "EXT LEAD 10M-R003.TXT",
                                        "KETTLE 2200W-R001.TXT", "PUMP-R001.TXT"}));
    EXPECT_FALSE(fs::exists(temp.Path() / "reports" / "reports"));
}

struct CentreCase {
    const char* name;
    int screenWidth;
    int screenHeight;
    WindowRect rect;
    int x;
    int y;
};

class CentreWindowTest : public DialogTest, public ::testing::WithParamInterface<CentreCase> {};

TEST_P(CentreWindowTest, MovesToTheMiddleTruncatingTowardZero) {
    const CentreCase& row = GetParam();
    windowing.screenWidth = row.screenWidth;
    windowing.screenHeight = row.screenHeight;
    windowing.windowRect = row.rect;

    CentreWindow(Dialog());

    EXPECT_EQ(windowing.movedTo, std::make_pair(row.x, row.y));
}

INSTANTIATE_TEST_SUITE_P(
    Dialog, CentreWindowTest,
    ::testing::Values(CentreCase{"Middle", 1024, 768, {0, 0, 400, 150}, 312, 309},
                      // Only the size counts, not where the window is now.
                      CentreCase{"FromElsewhere", 1024, 768, {-500, 900, -100, 1050}, 312, 309},
                      CentreCase{"OddScreen", 1025, 769, {0, 0, 400, 150}, 312, 309},
                      CentreCase{"WiderThanTheScreen", 640, 480, {0, 0, 643, 100}, -1, 190},
                      CentreCase{"LargerThanTheScreen", 640, 480, {0, 0, 645, 483}, -2, -1},
                      CentreCase{"FillsTheScreen", 800, 600, {0, 0, 800, 600}, 0, 0}),
    RowName<CentreCase>);

}  // namespace
