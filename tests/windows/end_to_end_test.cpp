// fetchwell.exe end to end under Wine: the real program with the stand-in FTD2XX.DLL beside it (or none),
// driven from outside through its dialog and message boxes, with the files it writes and the registry value
// it keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/windows/resource_ids_windows.h"
#include "program_driver.h"
#include "sim/instrument.h"
#include "ui/strings.h"
#include "windows_test_support.h"

namespace {

const char REGISTRY_KEY[] = "Software\\Quillfen\\Fetchwell";
const char TITLE_ERROR[] = "DOWNLOAD ERROR";
const char TITLE_ERASE[] = "ERASE TEST RECORDS";
const char ERASE_COMMAND[] = "write 45 52 45 43 0D\n";

class EndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        scratch_ = NewScratchFolder("end-to-end");
        app_ = scratch_ + "app\\";
        reports_ = scratch_ + "reports";
        ASSERT_TRUE(CreateDirectoryA(app_.c_str(), nullptr));
        ASSERT_TRUE(
            CopyFileA((ProgramFolder() + "fetchwell.exe").c_str(), (app_ + "fetchwell.exe").c_str(), FALSE));
        StoreFolder(reports_);
    }
    void TearDown() override {
        program_.reset();
        SetEnvironmentVariableA("FETCHWELL_STANDIN", nullptr);
        RemoveFolder(scratch_);
    }

    // The instrument on the USB port: the stand-in driver beside the program, playing these settings.
    void Instrument(const std::string& settings) {
        PlaceDriverLibrary(app_);
        InstrumentSettings(settings);
    }
    void PlaceDriverLibrary(const std::string& folder) {
        ASSERT_TRUE(
            CopyFileA((ProgramFolder() + "FTD2XX.DLL").c_str(), (folder + "FTD2XX.DLL").c_str(), FALSE));
    }
    void InstrumentSettings(const std::string& settings) {
        std::string path = scratch_ + "standin.txt";
        ASSERT_TRUE(WriteWholeFile(path, settings + "\nlog " + scratch_ + "standin.log\n"));
        SetEnvironmentVariableA("FETCHWELL_STANDIN", path.c_str());
    }
    std::string InstrumentLog() {
        std::string log;
        ReadWholeFile(scratch_ + "standin.log", &log);
        return log;
    }

    void StoreFolder(const std::string& folder) {
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, REGISTRY_KEY, "filepath", REG_SZ, folder.c_str(),
                                  static_cast<DWORD>(folder.size() + 1)),
                  ERROR_SUCCESS);
    }
    void ForgetStoredFolder() { RegDeleteTreeA(HKEY_CURRENT_USER, REGISTRY_KEY); }
    // The stored folder, or "<none>".
    std::string StoredFolder() {
        char value[2048];
        DWORD size = sizeof value;
        if (RegGetValueA(HKEY_CURRENT_USER, REGISTRY_KEY, "filepath", RRF_RT_REG_SZ, nullptr, value, &size) !=
            ERROR_SUCCESS) {
            return "<none>";
        }
        return value;
    }

    ProgramDriver& StartProgram() {
        program_ = std::make_unique<ProgramDriver>();
        EXPECT_TRUE(program_->Start(app_ + "fetchwell.exe", app_));
        EXPECT_TRUE(program_->WaitForDialog()) << "the dialog did not come up";
        return *program_;
    }
    ProgramDriver& Program() { return *program_; }

    // Waits until a control of the dialog reads `text`; on a time-out the test sees what it read last.
    void ExpectText(int controlId, const std::string& text) {
        std::string last;
        bool seen = WaitUntil([&] { return (last = program_->Text(controlId)) == text; });
        EXPECT_TRUE(seen) << "control " << controlId << " reads \"" << last << "\", not \"" << text << "\"";
    }
    void ExpectIdle(const char* status) {
        ExpectText(IDC_EXIT, "Exit");
        ExpectText(IDC_STATUS, status);
        for (int control : {IDC_FOLDER, IDC_DOWNLOAD, IDC_BROWSE, IDC_HELP, IDC_EXIT}) {
            EXPECT_TRUE(Program().Enabled(control)) << "control " << control;
        }
    }
    void ExpectDownloading() {
        EXPECT_EQ(Program().Text(IDC_EXIT), "Cancel");
        for (int control : {IDC_FOLDER, IDC_DOWNLOAD, IDC_BROWSE, IDC_HELP}) {
            EXPECT_FALSE(Program().Enabled(control)) << "control " << control;
        }
        EXPECT_TRUE(Program().Enabled(IDC_EXIT));
    }
    // Answers the box with this caption, after checking its text.
    void AnswerBox(const char* caption, const char* text, int answer) {
        MessageBoxView box;
        ASSERT_TRUE(Program().WaitForBox(caption, &box)) << "no box \"" << caption << "\"";
        EXPECT_EQ(box.text, text);
        Program().Answer(box, answer);
        EXPECT_TRUE(Program().WaitUntilClosed(box));
    }
    void ExitWithCodeZero() {
        Program().Command(IDC_EXIT);
        DWORD code = 1;
        EXPECT_TRUE(Program().WaitForExit(&code));
        EXPECT_EQ(code, 0u);
    }

    // The report files as the folder holds them: name and bytes.
    std::vector<std::pair<std::string, std::string>> ReportFiles() {
        std::vector<std::pair<std::string, std::string>> files;
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((reports_ + "\\*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) {
            return files;
        }
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                std::string content;
                ReadWholeFile(reports_ + "\\" + entry.cFileName, &content);
                files.emplace_back(entry.cFileName, content);
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
        std::sort(files.begin(), files.end());
        return files;
    }
    std::string ReportFile(const std::string& name) {
        std::string content = "<missing>";
        ReadWholeFile(reports_ + "\\" + name, &content);
        return content;
    }

    std::string scratch_;
    std::string app_;
    std::string reports_;
    std::unique_ptr<ProgramDriver> program_;
};

TEST_F(EndToEndTest, StartsIdleAndCentredWhereHelpAndEscChangeNothing) {
    Instrument("reports sample");
    StartProgram();
    ExpectIdle("Status: IDLE");
    EXPECT_EQ(Program().Text(IDC_FOLDER), reports_);
    EXPECT_EQ(Program().Text(IDC_FOLDER_LABEL), "Save report files to:");
    EXPECT_EQ(Program().Text(IDC_DOWNLOAD), "Download Reports");

    RECT window;
    ASSERT_TRUE(GetWindowRect(Program().Dialog(), &window));
    EXPECT_EQ(window.left, (GetSystemMetrics(SM_CXSCREEN) - (window.right - window.left)) / 2);
    EXPECT_EQ(window.top, (GetSystemMetrics(SM_CYSCREEN) - (window.bottom - window.top)) / 2);

    Program().Click(IDC_HELP);
    MessageBoxView help;
    ASSERT_TRUE(Program().WaitForBox("Fetchwell HELP", &help));
    EXPECT_EQ(help.text, StringTableText(IDS_HELP_TEXT));
    EXPECT_EQ(help.buttons, std::vector<int>{IDOK});
    Program().Answer(help, IDOK);
    EXPECT_TRUE(Program().WaitUntilClosed(help));
    EXPECT_EQ(Program().Text(IDC_STATUS), "Status: IDLE");

    // Esc, then a key in the folder field: once the key shows, Esc has been handled, and the window is still
    // up.
    Program().Command(IDCANCEL);
    Program().CaretToEnd();
    Program().Type("!");
    ExpectText(IDC_FOLDER, reports_ + "!");
    EXPECT_TRUE(IsWindowVisible(Program().Dialog()));
    ExitWithCodeZero();
}

TEST_F(EndToEndTest, FirstStartStoresTheDefaultFolderAndEveryEditIsSaved) {
    ForgetStoredFolder();
    StartProgram();
    EXPECT_TRUE(WaitUntil([&] { return StoredFolder() == "C:\\ZT914reports"; })) << StoredFolder();
    EXPECT_EQ(Program().Text(IDC_FOLDER), "C:\\ZT914reports");

    Program().SelectAll();
    std::string typed;
    for (char key : std::string("D:\\Site 4")) {
        Program().Type(std::string(1, key));
        typed += key;
        ExpectText(IDC_FOLDER, typed);
        EXPECT_TRUE(WaitUntil([&] { return StoredFolder() == typed; }))
            << StoredFolder() << " after " << typed;
    }
    Program().Type("\b");
    EXPECT_TRUE(WaitUntil([&] { return StoredFolder() == "D:\\Site "; })) << StoredFolder();

    // Emptied: the next start shows the empty field, not the default.
    Program().SelectAll();
    Program().Type("\b");
    EXPECT_TRUE(WaitUntil([&] { return StoredFolder().empty(); })) << StoredFolder();
    ExitWithCodeZero();
    StartProgram();
    EXPECT_EQ(Program().Text(IDC_FOLDER), "");
    EXPECT_EQ(StoredFolder(), "");
    ExitWithCodeZero();
}

TEST_F(EndToEndTest, DownloadSavesEveryReportByteForByteAndObeysTheEraseAnswers) {
    Instrument("reports sample\nchunk-size 200");
    StartProgram();
    std::vector<SimReport> reports = SampleReports();
    const char* names[] = {"DRILL 18V_CHG-R002.TXT", "EXT LEAD 10M-R003.TXT", "KETTLE 2200W-R001.TXT"};
    const std::size_t order[] = {1, 2, 0};  // the names sorted

    struct Case {
        const char* name;
        std::vector<int> answers;  // to the first erase question, then to the second if it comes
        bool erased;
    };
    const Case cases[] = {
        {"No at once", {IDNO}, false},
        {"Yes, then No", {IDYES, IDNO}, false},
        {"Yes to both", {IDYES, IDYES}, true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        ASSERT_TRUE(WriteWholeFile(scratch_ + "standin.log", ""));
        Program().Click(IDC_DOWNLOAD);

        MessageBoxView ask;
        ASSERT_TRUE(Program().WaitForBox(TITLE_ERASE, &ask));
        EXPECT_EQ(ask.text, "Erase Test Records in ZT914 memory?");
        EXPECT_EQ(ask.defaultButton, IDNO);
        EXPECT_EQ(Program().Text(IDC_STATUS), "Status: DONE");
        ExpectDownloading();
        Program().Answer(ask, test.answers[0]);
        ASSERT_TRUE(Program().WaitUntilClosed(ask));
        if (test.answers.size() > 1) {
            MessageBoxView confirm;
            ASSERT_TRUE(Program().WaitForBox(TITLE_ERASE, &confirm));
            EXPECT_EQ(confirm.text, "Erase Test Records in ZT914 memory:\n\nAre you sure?");
            EXPECT_EQ(confirm.defaultButton, IDNO);
            Program().Answer(confirm, test.answers[1]);
            ASSERT_TRUE(Program().WaitUntilClosed(confirm));
        }
        ExpectIdle("Status: DONE");
        MessageBoxView stray;
        EXPECT_FALSE(Program().AnyBox(&stray)) << stray.caption << ": " << stray.text;

        auto files = ReportFiles();
        ASSERT_EQ(files.size(), reports.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(files[i].first, names[i]);
            EXPECT_TRUE(files[i].second == reports[order[i]].text) << files[i].first << " differs";
        }
        std::string log = InstrumentLog();
        EXPECT_EQ(log.find(ERASE_COMMAND) != std::string::npos, test.erased) << log;
        EXPECT_EQ(log.find("close erased") != std::string::npos, test.erased);
    }
    ExitWithCodeZero();
}

TEST_F(EndToEndTest, AStalledTransferShowsTheTimeOutThenCancelled) {
    // The instrument falls silent inside the first report's text.
    Instrument("reports sample\nsilent-from-byte 600");
    StartProgram();
    Program().Click(IDC_DOWNLOAD);
    MessageBoxView box;
    ASSERT_TRUE(Program().WaitForBox(TITLE_ERROR, &box));
    EXPECT_EQ(box.text, "Data transfer timeout");
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_EQ(InstrumentLog().find("close"), std::string::npos) << "the link stays open while the box is up";
    Program().Answer(box, IDOK);
    ExpectIdle("Status: CANCELLED");
    EXPECT_TRUE(WaitUntil([&] { return InstrumentLog().find("close\n") != std::string::npos; }));
    ExitWithCodeZero();
}

TEST_F(EndToEndTest, WithoutTheDriverLibraryTheInstrumentIsNotConnected) {
    // No FTD2XX.DLL anywhere the program looks.
    StartProgram();
    Program().Click(IDC_DOWNLOAD);
    AnswerBox(TITLE_ERROR, "ZT914 not connected to PC USB", IDOK);
    ExpectIdle("Status: CANCELLED");
    ExitWithCodeZero();
}

TEST_F(EndToEndTest, ADriverLibraryInTheReportFolderIsNeverLoaded) {
    // A download makes the report folder the current directory before it opens the link; a library of the
    // driver's name there is not the driver.
    ASSERT_TRUE(CreateDirectoryA(reports_.c_str(), nullptr));
    PlaceDriverLibrary(reports_ + "\\");
    InstrumentSettings("reports sample");
    StartProgram();
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        Program().Click(IDC_DOWNLOAD);
        AnswerBox(TITLE_ERROR, "ZT914 not connected to PC USB", IDOK);
        ExpectIdle("Status: CANCELLED");
    }
    EXPECT_EQ(InstrumentLog(), "");
    ExitWithCodeZero();
}

TEST_F(EndToEndTest, CancelStopsTheDownloadWithoutABox) {
    Instrument("reports generated 20 3000\npace 30000");
    StartProgram();
    Program().Click(IDC_DOWNLOAD);
    ExpectText(IDC_STATUS, "Status: Receiving report #3 of 20...");
    ExpectDownloading();
    Program().Click(IDC_EXIT);
    ExpectIdle("Status: CANCELLED");
    MessageBoxView stray;
    EXPECT_FALSE(Program().AnyBox(&stray)) << stray.caption << ": " << stray.text;
    std::string log = InstrumentLog();
    EXPECT_NE(log.find("write 58\nclose aborted"), std::string::npos) << log;

    // The reports that came whole are whole; the run stopped long before the last.
    std::vector<SimReport> reports = GeneratedReports(20, 3000);
    EXPECT_EQ(ReportFile("ASSET 00001-R001.TXT"), reports[0].text);
    EXPECT_EQ(ReportFile("ASSET 00002-R002.TXT"), reports[1].text);
    EXPECT_LT(ReportFiles().size(), 20u);
    EXPECT_TRUE(Program().Running());
    ExitWithCodeZero();
}

TEST_F(EndToEndTest, ClosingTheWindowDuringADownloadLetsTheDownloadFinish) {
    Instrument("reports generated 12 3000\npace 30000");
    StartProgram();
    Program().Click(IDC_DOWNLOAD);
    ExpectText(IDC_STATUS, "Status: Receiving report #2 of 12...");
    Program().CloseBox();
    AnswerBox(TITLE_ERASE, "Erase Test Records in ZT914 memory?", IDNO);
    DWORD code = 1;
    ASSERT_TRUE(Program().WaitForExit(&code));
    EXPECT_EQ(code, 0u);

    std::vector<SimReport> reports = GeneratedReports(12, 3000);
    auto files = ReportFiles();
    ASSERT_EQ(files.size(), reports.size());
    for (std::size_t i = 0; i < reports.size(); ++i) {
        EXPECT_TRUE(files[i].second == reports[i].text) << files[i].first << " differs";
    }
    EXPECT_NE(InstrumentLog().find("close\n"), std::string::npos);
}

TEST_F(EndToEndTest, BrowseTakesTheChosenFolderAndCancelChangesNothing) {
    StartProgram();
    Program().Click(IDC_BROWSE);
    MessageBoxView picker;
    ASSERT_TRUE(Program().WaitForBox("Browse for Folder", &picker));
    EXPECT_NE(std::find(picker.texts.begin(), picker.texts.end(), "Select a folder for report files..."),
              picker.texts.end());
    Program().Answer(picker, IDCANCEL);
    ASSERT_TRUE(Program().WaitUntilClosed(picker));
    EXPECT_EQ(Program().Text(IDC_FOLDER), reports_);
    EXPECT_EQ(StoredFolder(), reports_);

    // The picker opens at the desktop, which is what OK then chooses.
    Program().Click(IDC_BROWSE);
    ASSERT_TRUE(Program().WaitForBox("Browse for Folder", &picker));
    Program().Answer(picker, IDOK);
    ASSERT_TRUE(Program().WaitUntilClosed(picker));
    std::string chosen = Program().Text(IDC_FOLDER);
    EXPECT_EQ(chosen.substr(chosen.size() - 8), "\\Desktop") << chosen;
    EXPECT_TRUE(WaitUntil([&] { return StoredFolder() == chosen; })) << StoredFolder();
    EXPECT_EQ(Program().Text(IDC_STATUS), "Status: IDLE");
    ExitWithCodeZero();
}

}  // namespace
