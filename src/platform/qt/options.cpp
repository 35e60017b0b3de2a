// The desktop program's command line.
#include "platform/qt/options.h"

#include <cstring>

namespace {

Options Failed(const QString& error) {
    Options options;
    options.action = Options::Action::Error;
    options.error = error;
    return options;
}

}  // namespace

Options ParseOptions(const QStringList& arguments) {
    Options options;
    bool portGiven = false;
    for (qsizetype at = 1; at < arguments.size(); ++at) {
        const QString& argument = arguments[at];
        if (argument == "--help" || argument == "-h") {
            options.action = Options::Action::Help;
            return options;
        }
        if (argument == "--version") {
            options.action = Options::Action::Version;
            return options;
        }
        if (argument == "--simulate") {
            options.simulate = true;
        } else if (argument == "--port" || argument.startsWith("--port=")) {
            if (portGiven) {
                return Failed("--port is given more than once");
            }
            if (argument == "--port") {
                if (at + 1 >= arguments.size()) {
                    return Failed("--port needs the path of a serial port, such as /dev/ttyUSB0");
                }
                options.port = arguments[++at];
            } else {
                options.port = argument.mid(7);
            }
            if (options.port.isEmpty()) {
                return Failed("--port needs the path of a serial port, such as /dev/ttyUSB0");
            }
            portGiven = true;
        } else {
            return Failed("unknown argument: " + argument);
        }
    }
    if (portGiven && options.simulate) {
        return Failed("--port and --simulate cannot be used together");
    }
    return options;
}

Options::Action HelpOrVersionAsked(int argc, char** argv) {
    Options::Action asked = Options::Action::Run;
    for (int at = 1; at < argc; ++at) {
        if (std::strcmp(argv[at], "--help") == 0 || std::strcmp(argv[at], "-h") == 0) {
            return Options::Action::Help;
        }
        if (std::strcmp(argv[at], "--version") == 0) {
            asked = Options::Action::Version;
        }
    }
    return asked;
}

QString UsageText() {
    return "Usage: fetchwell [--port PATH | --simulate]\n"
           "Copies the test reports stored in a ZT914 electrical-safety analyzer into text files, one per "
           "report.\n"
           "\n"
           "  --port PATH   use the instrument on this serial port (default: the first FTDI USB-serial "
           "port)\n"
           "  --simulate    use the built-in simulated instrument, for a first look without one\n"
           "  --help        show this help and exit\n"
           "  --version     show the version and exit\n";
}

QString VersionText() {
    return "fetchwell " FETCHWELL_VERSION "\n";
}
