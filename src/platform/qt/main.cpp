// fetchwell: the desktop program on Linux. Installs the platform services behind the seams and runs the main
// dialog.
#include <QApplication>
#include <QFile>
#include <QIcon>
#include <cstdio>

#include "download/directories.h"
#include "link/clock.h"
#include "link/driver.h"
#include "platform/posix/home_folder.h"
#include "platform/posix/monotonic_clock.h"
#include "platform/posix/posix_directories.h"
#include "platform/posix/termios_driver.h"
#include "platform/qt/main_dialog.h"
#include "platform/qt/options.h"
#include "platform/qt/qsettings_store.h"
#include "platform/qt/qt_windowing.h"
#include "sim/instrument.h"
#include "sim/realtime_sim_driver.h"

namespace {

constexpr std::uint32_t SIMULATED_BYTES_PER_SECOND = 960;

QStringList ArgumentsLeftByQt(int argc, char** argv) {
    QStringList arguments;
    for (int at = 0; at < argc; ++at) {
        arguments << QString::fromLocal8Bit(argv[at]);
    }
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    switch (HelpOrVersionAsked(argc, argv)) {
        case Options::Action::Help:
            std::fputs(UsageText().toLocal8Bit().constData(), stdout);
            return 0;
        case Options::Action::Version:
            std::fputs(VersionText().toLocal8Bit().constData(), stdout);
            return 0;
        default:
            break;
    }

    ReportWritesPastTheFileSizeLimit();
    QApplication application(argc, argv);
    // Qt has taken its own options (-platform, -style, ...) out of argv; the rest must be ours.
    const Options options = ParseOptions(ArgumentsLeftByQt(argc, argv));
    if (options.action == Options::Action::Error) {
        std::fprintf(stderr, "fetchwell: %s\nTry 'fetchwell --help' for more information.\n",
                     options.error.toLocal8Bit().constData());
        return 2;
    }
    QGuiApplication::setDesktopFileName("fetchwell");
    QIcon icon;
    for (int size : {16, 32, 48}) {
        icon.addFile(QString(":/icons/fetchwell-%1.png").arg(size), QSize(size, size));
    }
    QApplication::setWindowIcon(icon);

    UseHomeReportFolderAsDefault();
    QtWindowing windowing;
    QSettingsStore store;
    QtFolderPicker picker;
    PosixDirectories directories;
    InstallWindowing(&windowing);
    InstallSettingStore(&store);
    InstallFolderPicker(&picker);
    InstallDirectories(&directories);

    MonotonicClock clock;
    InstallClock(&clock);
    TermiosDriver port(QFile::encodeName(options.port).toStdString());
    SimInstrument instrument;
    RealtimeSimDriver simulated(instrument, clock);
    if (options.simulate) {
        instrument.SetReports(SampleReports());
        // At the pace of the instrument's 9600-baud line, so that the progress and Cancel can be seen.
        instrument.SetPace(SIMULATED_BYTES_PER_SECOND);
        InstallDriver(&simulated);
    } else {
        InstallDriver(&port);
    }

    MainDialog dialog;
    return dialog.Run();
}
