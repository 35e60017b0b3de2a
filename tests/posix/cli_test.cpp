// fetchwell-cli's pieces: the command line, the exit statuses, the terminal windowing, and the way every end
// of a download run becomes an exit status (the run in process, on the virtual clock).
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/exit_status.h"
#include "cli/options.h"
#include "cli/ports.h"
#include "cli/terminal_windowing.h"
#include "download/download_run.h"
#include "platform/posix/posix_directories.h"
#include "shared_state.h"
#include "sim/sim_driver.h"
#include "ui/alerts.h"
#include "ui/strings.h"

namespace {

bool Parse(std::vector<const char*> words, CliOptions* options, std::string* error) {
    words.insert(words.begin(), "fetchwell-cli");
    return ParseCliOptions(static_cast<int>(words.size()), words.data(), options, error);
}

TEST(CliOptions, DownloadWithEveryOption) {
    CliOptions options;
    std::string error;
    ASSERT_TRUE(
        Parse({"--port", "/dev/ttyUSB1", "--folder", "out dir", "--erase", "--quiet"}, &options, &error))
        << error;
    EXPECT_EQ(options.action, CliAction::Download);
    EXPECT_EQ(options.port, "/dev/ttyUSB1");
    EXPECT_FALSE(options.simulate);
    EXPECT_TRUE(options.hasFolder);
    EXPECT_EQ(options.folder, "out dir");
    EXPECT_EQ(options.erase, EraseAnswer::Yes);
    EXPECT_TRUE(options.quiet);

    ASSERT_TRUE(Parse({"--simulate", "--no-erase", "--folder=x"}, &options, &error)) << error;
    EXPECT_TRUE(options.simulate);
    EXPECT_EQ(options.erase, EraseAnswer::No);
    EXPECT_EQ(options.folder, "x");

    ASSERT_TRUE(Parse({}, &options, &error));
    EXPECT_EQ(options.port, "");
    EXPECT_FALSE(options.hasFolder) << "the saved folder";
    EXPECT_EQ(options.erase, EraseAnswer::Ask);
}

TEST(CliOptions, OtherActions) {
    CliOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--list-ports"}, &options, &error));
    EXPECT_EQ(options.action, CliAction::ListPorts);
    ASSERT_TRUE(Parse({"--version"}, &options, &error));
    EXPECT_EQ(options.action, CliAction::Version);
    ASSERT_TRUE(Parse({"--bogus", "--help"}, &options, &error)) << "--help wins over everything";
    EXPECT_EQ(options.action, CliAction::Help);
}

TEST(CliOptions, WrongCommandLines) {
    const std::vector<std::vector<const char*>> wrong = {
        {"--port"},
        {"--port", ""},
        {"--folder"},
        {"--port", "/dev/ttyS0", "--simulate"},
        {"--erase", "--no-erase"},
        {"--portable"},
        {"reports"},
        {"-q"},
    };
    for (const auto& words : wrong) {
        CliOptions options;
        std::string error;
        EXPECT_FALSE(Parse(words, &options, &error)) << words[0];
        EXPECT_FALSE(error.empty());
    }
    CliOptions options;
    std::string error;
    std::string longFolder(REPORT_FOLDER_SIZE, 'f');
    EXPECT_FALSE(Parse({"--folder", longFolder.c_str()}, &options, &error));
    longFolder.pop_back();
    EXPECT_TRUE(Parse({"--folder", longFolder.c_str()}, &options, &error)) << "1023 characters fit";
}

TEST(ExitStatus, EachEndHasItsOwnStatus) {
    EXPECT_EQ(ExitStatusFor(0, IDS_STATUS_DONE), 0);
    EXPECT_EQ(ExitStatusFor(IDS_ERR_FOLDER, IDS_STATUS_CANCELLED), 3);
    EXPECT_EQ(ExitStatusFor(IDS_ERR_NOT_CONNECTED, IDS_STATUS_CANCELLED), 4);
    EXPECT_EQ(ExitStatusFor(IDS_ERR_NOT_USB_MODE, IDS_STATUS_CANCELLED), 5);
    EXPECT_EQ(ExitStatusFor(IDS_ERR_NO_REPORTS, IDS_STATUS_CANCELLED), 6);
    EXPECT_EQ(ExitStatusFor(IDS_ERR_TIMEOUT, IDS_STATUS_CANCELLED), 7);
    EXPECT_EQ(ExitStatusFor(IDS_ERR_FILE, IDS_STATUS_CANCELLED), 8);
    EXPECT_EQ(ExitStatusFor(0, IDS_STATUS_CANCELLED), 130);
    EXPECT_EQ(ExitStatusFor(0, 0), EXIT_UNFORESEEN) << "a run that stopped on its progress line";

    std::size_t count = 0;
    const ExitStatusRow* rows = ExitStatusRows(&count);
    std::set<int> statuses;
    std::set<int> texts;
    for (std::size_t i = 0; i < count; ++i) {
        statuses.insert(rows[i].status);
        if (rows[i].shownTextId != 0) {
            texts.insert(rows[i].shownTextId);
        }
    }
    EXPECT_EQ(statuses.size(), count) << "no two ends share a status";
    EXPECT_EQ(texts.size(), 8u);
}

TEST(ExitStatus, HelpListsEveryStatus) {
    std::string help = CliHelpText();
    std::size_t count = 0;
    const ExitStatusRow* rows = ExitStatusRows(&count);
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_NE(help.find("  " + std::to_string(rows[i].status) + " "), std::string::npos)
            << rows[i].status;
    }
}

// A terminal windowing writing into memory, its input from a pipe the test fills.
class TerminalWindowingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        output = open_memstream(&outputText, &outputSize);
        ASSERT_NE(output, nullptr);
        ASSERT_EQ(pipe(input), 0);
    }
    void TearDown() override {
        std::fclose(output);
        std::free(outputText);
        close(input[0]);
        if (input[1] >= 0) {
            close(input[1]);
        }
    }
    TerminalWindowing& Make(const TerminalSettings& settings) {
        windowing = std::make_unique<TerminalWindowing>(output, input[0], settings, &interrupt);
        return *windowing;
    }
    void Type(const std::string& text) {
        ASSERT_EQ(write(input[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    void EndOfInput() {
        close(input[1]);
        input[1] = -1;
    }
    std::string Written() {
        std::fflush(output);
        return std::string(outputText, outputSize);
    }
    int Erase(TerminalWindowing& terminal) {
        InstallWindowing(&terminal);
        return ConfirmErase();
    }

    std::FILE* output = nullptr;
    char* outputText = nullptr;
    std::size_t outputSize = 0;
    int input[2] = {-1, -1};
    volatile std::sig_atomic_t interrupt = 0;
    std::unique_ptr<TerminalWindowing> windowing;
};

TEST_F(TerminalWindowingTest, StatusLinesOneEachWhenNotOnATerminal) {
    TerminalWindowing& terminal = Make({});
    terminal.SetControlText(&terminal, IDC_STATUS, "Status: Receiving report #1 of 2...");
    terminal.SetControlText(&terminal, IDC_EXIT, "Cancel");
    terminal.SetControlText(&terminal, IDC_STATUS, "Status: DONE");
    terminal.Finish();
    EXPECT_EQ(Written(), "Status: Receiving report #1 of 2...\nStatus: DONE\n");
    EXPECT_EQ(terminal.StatusTextId(), IDS_STATUS_DONE);
}

TEST_F(TerminalWindowingTest, StatusLineRewrittenInPlaceOnATerminal) {
    TerminalSettings settings;
    settings.outputIsTerminal = true;
    TerminalWindowing& terminal = Make(settings);
    InstallWindowing(&terminal);
    terminal.SetControlText(&terminal, IDC_STATUS, "Status: Receiving report #1 of 2...");
    EXPECT_EQ(terminal.StatusTextId(), 0) << "the progress line is no table text";
    ShowError(IDS_ERR_TIMEOUT);
    terminal.Finish();
    EXPECT_EQ(
        Written(),
        "\rStatus: Receiving report #1 of 2...\033[K\nData transfer timeout\n\rStatus: CANCELLED\033[K\n");
    EXPECT_EQ(terminal.ErrorTextId(), IDS_ERR_TIMEOUT);
    EXPECT_EQ(terminal.StatusTextId(), IDS_STATUS_CANCELLED);
}

TEST_F(TerminalWindowingTest, QuietShowsErrorsOnly) {
    TerminalSettings settings;
    settings.quiet = true;
    TerminalWindowing& terminal = Make(settings);
    InstallWindowing(&terminal);
    int notedError = 0;
    terminal.afterError = [&](int textId) { notedError = textId; };
    terminal.SetControlText(&terminal, IDC_STATUS, "Status: Receiving report #1 of 2...");
    ShowError(IDS_ERR_FOLDER);
    terminal.Finish();
    EXPECT_EQ(Written(), std::string(StringTableText(IDS_ERR_FOLDER)) + "\n") << "the text as it stands";
    EXPECT_EQ(notedError, IDS_ERR_FOLDER);
    EXPECT_EQ(terminal.StatusTextId(), IDS_STATUS_CANCELLED) << "still noted for the exit status";
}

TEST_F(TerminalWindowingTest, EraseAnswersFromTheCommandLine) {
    TerminalSettings settings;
    settings.inputIsTerminal = true;
    settings.erase = EraseAnswer::Yes;
    EXPECT_EQ(Erase(Make(settings)), 1);
    settings.erase = EraseAnswer::No;
    EXPECT_EQ(Erase(Make(settings)), 0);
    EXPECT_EQ(Written(), "") << "nothing asked";
}

TEST_F(TerminalWindowingTest, WithoutATerminalTheAnswerIsNo) {
    Type("y\ny\n");
    EXPECT_EQ(Erase(Make({})), 0);
    EXPECT_EQ(Written(), "");
}

TEST_F(TerminalWindowingTest, BothQuestionsAskedOnATerminal) {
    TerminalSettings settings;
    settings.inputIsTerminal = true;
    Type("y\n  Yes\n");
    EXPECT_EQ(Erase(Make(settings)), 1);
    EXPECT_EQ(Written(), std::string(StringTableText(IDS_ERASE_ASK)) + " [y/N] " +
                             StringTableText(IDS_ERASE_CONFIRM) + " [y/N] ");
}

TEST_F(TerminalWindowingTest, EnterAnswersNo) {
    TerminalSettings settings;
    settings.inputIsTerminal = true;
    Type("\n");
    EXPECT_EQ(Erase(Make(settings)), 0);
    EXPECT_EQ(Written(), std::string(StringTableText(IDS_ERASE_ASK)) + " [y/N] ") << "no second question";
    Type("y\nno\n");
    EXPECT_EQ(Erase(Make(settings)), 0);
}

TEST_F(TerminalWindowingTest, EndOfInputAnswersNo) {
    TerminalSettings settings;
    settings.inputIsTerminal = true;
    Type("y");
    EndOfInput();
    EXPECT_EQ(Erase(Make(settings)), 0);
}

TEST_F(TerminalWindowingTest, PumpPassesCtrlCToTheRun) {
    TerminalWindowing& terminal = Make({});
    cancelRequested = 0;
    terminal.HandleOneMessage(&terminal);
    EXPECT_EQ(cancelRequested, 0);
    interrupt = 1;
    terminal.HandleOneMessage(&terminal);
    EXPECT_EQ(cancelRequested, 1);
    EXPECT_EQ(interrupt, 0);
    cancelRequested = 0;
}

TEST(PortAdvice, SaysWhichPortWhyAndWhatToDo) {
    EXPECT_EQ(OpenFailureAdvice({}), "");
    std::string none = OpenFailureAdvice({"", ENODEV});
    EXPECT_NE(none.find("No FTDI USB-serial port"), std::string::npos);
    EXPECT_NE(none.find("--list-ports"), std::string::npos);
    std::string missing = OpenFailureAdvice({"/dev/ttyUSB7", ENOENT});
    EXPECT_NE(missing.find("/dev/ttyUSB7"), std::string::npos);
    EXPECT_NE(missing.find("no such port"), std::string::npos);
    std::string busy = OpenFailureAdvice({"/dev/ttyUSB0", EBUSY});
    EXPECT_NE(busy.find("in use by another program"), std::string::npos);
    EXPECT_NE(busy.find("fuser -v /dev/ttyUSB0"), std::string::npos);
    std::string denied = OpenFailureAdvice({"/nonexistent/ttyUSB0", EACCES});
    EXPECT_NE(denied.find("permission denied"), std::string::npos);
}

TEST(PortAdvice, PermissionDeniedNamesThePortsGroup) {
    const group* dialout = getgrnam("dialout");
    std::string file = testing::TempDir() + "/fw-port-advice";
    int fd = open(file.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
    if (dialout == nullptr || chown(file.c_str(), static_cast<uid_t>(-1), dialout->gr_gid) != 0) {
        unlink(file.c_str());
        GTEST_SKIP() << "cannot give a file to the dialout group here";
    }
    std::string advice = OpenFailureAdvice({file, EACCES});
    unlink(file.c_str());
    EXPECT_NE(advice.find("sudo usermod -aG dialout $USER"), std::string::npos) << advice;
}

TEST(PortList, MarksDeviceZero) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* output = open_memstream(&text, &size);
    PrintPortList(output,
                  {{"/dev/ttyS0", -1, -1, "ttyS0"}, {"/dev/ttyUSB0", 0x0403, 0x6001, "FT232R USB UART"}});
    std::fclose(output);
    std::string listed(text, size);
    std::free(text);
    EXPECT_EQ(listed,
              "/dev/ttyS0    -          ttyS0\n"
              "/dev/ttyUSB0  0403:6001  FT232R USB UART  (device 0)\n");
}

// Each way a run ends, played in process on the virtual clock through the terminal windowing: the exit status
// that the run's showing gives.
struct RunEnd {
    const char* name;
    std::function<void(SimInstrument&, SimDriver&, TerminalSettings&)> arrange;
    int status;
    bool ctrlC = false;  // pressed before the run: noticed at its first cancel check
};

void PrintTo(const RunEnd& end, std::ostream* stream) {
    *stream << end.name;
}

class RunEndTest : public ::testing::TestWithParam<RunEnd> {
  protected:
    void SetUp() override {
        folder = testing::TempDir() + "fw-run-end-" + std::to_string(getpid());
        std::filesystem::remove_all(folder);
        std::snprintf(reportFolder, sizeof reportFolder, "%s", folder.c_str());
        instrument.SetReports({{"R1", "first\r\n\f"}, {"R2", std::string(600, 'x') + "\f"}});
        InstallDriver(&driver);
        InstallClock(&clock);
        InstallDirectories(&directories);
    }
    void TearDown() override {
        directories.ReturnToStartDirectory();
        std::filesystem::remove_all(folder);
    }

    std::string folder;
    SimInstrument instrument;
    VirtualClock clock;
    SimDriver driver{instrument, clock};
    PosixDirectories directories;
    volatile std::sig_atomic_t interrupt = 0;
};

TEST_P(RunEndTest, GivesItsExitStatus) {
    TerminalSettings settings;
    settings.quiet = true;
    GetParam().arrange(instrument, driver, settings);
    std::FILE* output = std::tmpfile();
    TerminalWindowing terminal(output, -1, settings, &interrupt);
    InstallWindowing(&terminal);
    interrupt = GetParam().ctrlC ? 1 : 0;
    RunDownload();
    terminal.Finish();
    std::fclose(output);
    EXPECT_EQ(ExitStatusFor(terminal.ErrorTextId(), terminal.StatusTextId()), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    EveryEnd, RunEndTest,
    ::testing::Values(
        RunEnd{"done", [](SimInstrument&, SimDriver&, TerminalSettings&) {}, 0},
        RunEnd{
            "erased",
            [](SimInstrument&, SimDriver&, TerminalSettings& settings) { settings.erase = EraseAnswer::Yes; },
            0},
        RunEnd{"folder",
               [](SimInstrument&, SimDriver&, TerminalSettings&) {
                   std::snprintf(reportFolder, sizeof reportFolder, "/dev/null/reports");
               },
               3},
        RunEnd{"not_connected",
               [](SimInstrument&, SimDriver& driver, TerminalSettings&) { driver.failOpen = true; }, 4},
        RunEnd{"usb_mode",
               [](SimInstrument& instrument, SimDriver&, TerminalSettings&) {
                   FaultPlan faults;
                   faults.infoBlockSize = 200;
                   instrument.SetFaults(faults);
               },
               5},
        RunEnd{"no_reports",
               [](SimInstrument& instrument, SimDriver&, TerminalSettings&) { instrument.SetReports({}); },
               6},
        RunEnd{"timeout",
               [](SimInstrument& instrument, SimDriver&, TerminalSettings&) {
                   FaultPlan faults;
                   faults.silentFromByte = 300;
                   instrument.SetFaults(faults);
               },
               7},
        RunEnd{"erase_refused",
               [](SimInstrument& instrument, SimDriver&, TerminalSettings& settings) {
                   FaultPlan faults;
                   faults.eraseReply = "?";
                   instrument.SetFaults(faults);
                   settings.erase = EraseAnswer::Yes;
               },
               7},
        RunEnd{"file",
               [](SimInstrument&, SimDriver&, TerminalSettings&) {
                   // Where the report's bytes go until it is complete, a directory stands in the way.
                   std::filesystem::create_directories(std::string(reportFolder) + "/R1-R001.TXT.part");
               },
               8},
        RunEnd{"cancelled", [](SimInstrument&, SimDriver&, TerminalSettings&) {}, 130, true}),
    [](const ::testing::TestParamInfo<RunEnd>& row) { return std::string(row.param.name); });

}  // namespace
