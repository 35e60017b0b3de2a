// fetchwell-cli: the download run from a terminal.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "cli/exit_status.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/ports.h"
#include "cli/terminal_windowing.h"
#include "download/download_run.h"
#include "platform/posix/home_folder.h"
#include "platform/posix/monotonic_clock.h"
#include "platform/posix/posix_directories.h"
#include "platform/posix/report_folder_apart.h"
#include "platform/posix/termios_driver.h"
#include "platform/qt/qsettings_store.h"
#include "settings/report_folder.h"
#include "settings/setting_store.h"
#include "shared_state.h"
#include "sim/instrument.h"
#include "sim/realtime_sim_driver.h"
#include "ui/resource_ids.h"

namespace {

int Download(const CliOptions& options) {
    ReportWritesPastTheFileSizeLimit();
    MonotonicClock clock;
    InstallClock(&clock);
    PosixDirectories directories;
    InstallDirectories(&directories);

    QSettingsStore store;
    if (options.hasFolder) {
        std::memset(reportFolder, 0, sizeof reportFolder);
        std::memcpy(reportFolder, options.folder.data(), options.folder.size());
    } else {
        InstallSettingStore(&store);
        UseHomeReportFolderAsDefault();
        // Qt stays out of this process: its libraries would be most of the download's memory.
        if (!LoadReportFolderApart()) {
            LoadReportFolder();
        }
    }

    TermiosDriver port(options.port);
    SimInstrument instrument;
    RealtimeSimDriver simulated(instrument, clock);
    if (options.simulate) {
        instrument.SetReports(SampleReports());
        InstallDriver(&simulated);
    } else {
        InstallDriver(&port);
    }

    TerminalSettings settings;
    settings.quiet = options.quiet;
    settings.erase = options.erase;
    settings.outputIsTerminal = isatty(STDERR_FILENO) == 1;
    settings.inputIsTerminal = isatty(STDIN_FILENO) == 1;
    TerminalWindowing windowing(stderr, STDIN_FILENO, settings, &interruptRequested);
    windowing.afterError = [&](int textId) {
        if (textId == IDS_ERR_NOT_CONNECTED && !options.simulate) {
            std::string advice = OpenFailureAdvice(port.LastOpenFailure());
            if (!advice.empty()) {
                std::fprintf(stderr, "%s\n", advice.c_str());
            }
        }
    };
    InstallWindowing(&windowing);
    InstallInterruptHandler();

    RunDownload();
    windowing.Finish();
    return ExitStatusFor(windowing.ErrorTextId(), windowing.StatusTextId());
}

}  // namespace

int main(int argc, char** argv) {
    CliOptions options;
    std::string error;
    if (!ParseCliOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "fetchwell-cli: %s\nTry 'fetchwell-cli --help'.\n", error.c_str());
        return EXIT_USAGE;
    }
    switch (options.action) {
        case CliAction::Help:
            std::fputs(CliHelpText().c_str(), stdout);
            return EXIT_DONE;
        case CliAction::Version:
            std::printf("fetchwell-cli %s\n", FETCHWELL_VERSION);
            return EXIT_DONE;
        case CliAction::ListPorts:
            PrintPortList(stdout, ListSerialPorts());
            return EXIT_DONE;
        case CliAction::Download:
            break;
    }
    return Download(options);
}
