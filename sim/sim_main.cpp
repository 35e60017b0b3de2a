// fetchwell-sim: the simulated ZT914 on a new pseudo-terminal, for fetchwell-cli --port and the tests.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/posix/monotonic_clock.h"
#include "sim/pty_server.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void NoteStop(int /*signal*/) {
    stopRequested = 1;
}

const char USAGE[] =
    "Usage: fetchwell-sim [options]\n"
    "Serves the simulated ZT914 on a new pseudo-terminal and prints the terminal's path on the first line "
    "of\n"
    "standard output; then fetchwell-cli --port PATH downloads from it. Ctrl-C stops it.\n"
    "\n"
    "Reports (the sample reports without these):\n"
    "  --reports N           N generated reports ...\n"
    "  --report-bytes N      ... of N bytes each (default 2000)\n"
    "  --reports-from DIR    every file of DIR, by name: the file name is the report's name, its bytes its "
    "text\n"
    "Delivery:\n"
    "  --chunk N             report text bytes per chunk (default 512)\n"
    "  --pace N              bytes per second (default 0: as fast as the terminal takes them)\n"
    "  --latency MS          with --pace, send due bytes together once the first has waited MS ms, like a\n"
    "                        USB-serial bridge's latency timer (16 on an FTDI bridge; default 0)\n"
    "Faults (byte numbers count the instrument's bytes of one host's session from 0):\n"
    "  --silent-from N       send nothing from byte N on\n"
    "  --junk TEXT           send TEXT before each report's start byte\n"
    "  --info-size N         send an information block of N bytes instead of 264\n"
    "  --announce N          announce N reports in the information block\n"
    "  --erase-reply TEXT    answer the erase command with TEXT (default \"*\\r\"; \"\" for no answer)\n"
    "  --pause-before N      pause before byte N ...\n"
    "  --pause-ms MS         ... for MS milliseconds\n"
    "  --unplug-at N         hang the terminal up and exit once N bytes are sent\n"
    "Other:\n"
    "  --trace               write the host's bytes and closes to standard output, a line each\n"
    "  --help, --version     this text; the version\n"
    "TEXT takes the escapes \\r \\n \\t \\\\ and \\xHH.\n";

std::string Unescape(const char* text) {
    std::string bytes;
    for (const char* at = text; *at != '\0'; ++at) {
        if (*at != '\\' || at[1] == '\0') {
            bytes += *at;
            continue;
        }
        ++at;
        switch (*at) {
            case 'r':
                bytes += '\r';
                break;
            case 'n':
                bytes += '\n';
                break;
            case 't':
                bytes += '\t';
                break;
            case 'x': {
                char hex[3] = {at[1], at[1] != '\0' ? at[2] : '\0', '\0'};
                bytes += static_cast<char>(std::strtoul(hex, nullptr, 16));
                at += std::strlen(hex);
                break;
            }
            default:
                bytes += *at;
        }
    }
    return bytes;
}

bool ReadReports(const char* folder, std::vector<SimReport>* reports) {
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    if (error) {
        return false;
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::ifstream stream(file, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
        reports->push_back({file.filename().string(), std::move(text)});
    }
    return true;
}

bool Number(const char* text, unsigned long long* value) {
    char* end = nullptr;
    errno = 0;
    *value = std::strtoull(text, &end, 10);
    return text[0] != '\0' && text[0] != '-' && *end == '\0' && errno == 0;
}

int Usage(const char* problem) {
    std::fprintf(stderr, "fetchwell-sim: %s\n%s", problem, USAGE);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    SimSetup setup;
    setup.reports = SampleReports();
    unsigned long long generatedCount = 0;
    unsigned long long generatedBytes = 2000;
    bool trace = false;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--help") {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (option == "--version") {
            std::printf("fetchwell-sim %s\n", FETCHWELL_VERSION);
            return 0;
        }
        if (option == "--trace") {
            trace = true;
            continue;
        }
        if (i + 1 >= argc) {
            return Usage(("unknown option or missing value: " + option).c_str());
        }
        const char* value = argv[++i];
        unsigned long long number = 0;
        bool numeric = Number(value, &number);
        if (option == "--reports-from") {
            setup.reports.clear();
            if (!ReadReports(value, &setup.reports)) {
                return Usage("cannot read the report folder");
            }
        } else if (option == "--junk") {
            setup.faults.junkBeforeStart = Unescape(value);
        } else if (option == "--erase-reply") {
            setup.faults.eraseReply = Unescape(value);
        } else if (!numeric) {
            return Usage(("not a number, or an unknown option: " + option + " " + value).c_str());
        } else if (option == "--reports") {
            generatedCount = number;
        } else if (option == "--report-bytes") {
            generatedBytes = number;
        } else if (option == "--chunk") {
            setup.chunkSize = static_cast<std::size_t>(number);
        } else if (option == "--pace") {
            setup.bytesPerSecond = static_cast<std::uint32_t>(number);
        } else if (option == "--latency") {
            setup.latencyMs = static_cast<std::uint32_t>(number);
        } else if (option == "--silent-from") {
            setup.faults.silentFromByte = number;
        } else if (option == "--info-size") {
            setup.faults.infoBlockSize = static_cast<unsigned>(number);
        } else if (option == "--announce") {
            setup.faults.announcedCount = static_cast<long>(number);
        } else if (option == "--pause-before") {
            setup.faults.pauseBeforeByte = number;
        } else if (option == "--pause-ms") {
            setup.faults.pauseMs = static_cast<std::uint32_t>(number);
        } else if (option == "--unplug-at") {
            setup.faults.failAtByte = number;
        } else {
            return Usage(("unknown option: " + option).c_str());
        }
    }
    if (generatedCount > 0) {
        setup.reports = GeneratedReports(static_cast<std::size_t>(generatedCount),
                                         static_cast<std::size_t>(generatedBytes));
    }

    struct sigaction action {};
    action.sa_handler = NoteStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    MonotonicClock clock(MonotonicClock::Tick::Precise);
    PtyServer server(setup, clock);
    if (!server.Open()) {
        std::fprintf(stderr, "fetchwell-sim: cannot create a pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    server.trace = trace ? stdout : nullptr;
    std::printf("%s\n", server.Path().c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "fetchwell-sim: %zu reports on %s; Ctrl-C stops.\n", setup.reports.size(),
                 server.Path().c_str());

    switch (server.Serve(&stopRequested)) {
        case PtyServer::End::Stopped:
            return 0;
        case PtyServer::End::Unplugged:
            std::fprintf(stderr, "fetchwell-sim: unplugged as asked.\n");
            return 0;
        case PtyServer::End::Failed:
            break;
    }
    std::fprintf(stderr, "fetchwell-sim: the terminal failed: %s\n", std::strerror(errno));
    return 1;
}
