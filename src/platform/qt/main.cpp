// fetchwell: the desktop program on Linux. Installs the platform services behind the seams and runs the main
// dialog.
#include <QApplication>
#include <QIcon>
#include <cstdio>

#include "download/directories.h"
#include "link/clock.h"
#include "link/driver.h"
#include "platform/posix/home_folder.h"
#include "platform/posix/posix_directories.h"
#include "platform/qt/main_dialog.h"
#include "platform/qt/options.h"
#include "platform/qt/qsettings_store.h"
#include "platform/qt/qt_windowing.h"
#include "sim/sim_driver.h"

namespace {

// Stands in for the serial-port driver until it is wired: every open fails, so a download says that the
// instrument is not connected.
class UnwiredDriver : public Driver {
  public:
    DriverStatus Open(int, DeviceHandle*) override { return DRIVER_IO_ERROR; }
    DriverStatus Close(DeviceHandle) override { return DRIVER_IO_ERROR; }
    DriverStatus Write(DeviceHandle, const void*, std::uint32_t, std::uint32_t*) override {
        return DRIVER_IO_ERROR;
    }
    DriverStatus Read(DeviceHandle, void*, std::uint32_t, std::uint32_t*) override { return DRIVER_IO_ERROR; }
    DriverStatus GetQueueStatus(DeviceHandle, std::uint32_t*) override { return DRIVER_IO_ERROR; }
};

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

    // The simulated instrument runs in process on a virtual clock for now; the real-time one and the serial
    // port (--port, and the first FTDI port by default) are still to be wired.
    SimInstrument instrument;
    instrument.SetReports(SampleReports());
    VirtualClock clock;
    SimDriver simulated(instrument, clock);
    UnwiredDriver unwired;
    InstallClock(&clock);
    InstallDriver(options.simulate ? static_cast<Driver*>(&simulated) : &unwired);

    MainDialog dialog;
    return dialog.Run();
}
