// Parsing of fetchwell-cli's command line, and its help text.
#include "cli/options.h"

#include <cstdio>
#include <cstring>

#include "cli/exit_status.h"
#include "shared_state.h"

namespace {

// "--name VALUE" or "--name=VALUE". True when argv[*index] is that option; *index then points at its last
// word.
bool TakeValue(const char* name, int argc, const char* const* argv, int* index, std::string* value,
               std::string* error) {
    const char* word = argv[*index];
    std::size_t length = std::strlen(name);
    if (std::strncmp(word, name, length) != 0) {
        return false;
    }
    if (word[length] == '=') {
        *value = word + length + 1;
        return true;
    }
    if (word[length] != '\0') {
        return false;
    }
    if (*index + 1 >= argc) {
        *error = std::string(name) + " needs a value";
        return true;
    }
    *index += 1;
    *value = argv[*index];
    return true;
}

}  // namespace

bool ParseCliOptions(int argc, const char* const* argv, CliOptions* options, std::string* error) {
    *options = {};
    error->clear();
    for (int index = 1; index < argc; ++index) {
        if (std::strcmp(argv[index], "--help") == 0) {  // asked for help, whatever else is wrong
            options->action = CliAction::Help;
            return true;
        }
    }
    bool erase = false;
    bool noErase = false;
    for (int index = 1; index < argc && error->empty(); ++index) {
        const std::string word = argv[index];
        if (word == "--version") {
            options->action = CliAction::Version;
        } else if (word == "--list-ports") {
            options->action = CliAction::ListPorts;
        } else if (word == "--simulate") {
            options->simulate = true;
        } else if (word == "--erase") {
            erase = true;
        } else if (word == "--no-erase") {
            noErase = true;
        } else if (word == "--quiet") {
            options->quiet = true;
        } else if (TakeValue("--port", argc, argv, &index, &options->port, error)) {
            if (error->empty() && options->port.empty()) {
                *error = "--port needs a path";
            }
        } else if (TakeValue("--folder", argc, argv, &index, &options->folder, error)) {
            options->hasFolder = true;
            if (options->folder.size() >= REPORT_FOLDER_SIZE) {
                *error =
                    "the folder is longer than " + std::to_string(REPORT_FOLDER_SIZE - 1) + " characters";
            }
        } else {
            *error = "unknown argument '" + word + "'";
        }
    }
    if (error->empty() && options->simulate && !options->port.empty()) {
        *error = "--port and --simulate exclude each other";
    }
    if (error->empty() && erase && noErase) {
        *error = "--erase and --no-erase exclude each other";
    }
    options->erase = erase ? EraseAnswer::Yes : noErase ? EraseAnswer::No : EraseAnswer::Ask;
    return error->empty();
}

std::string CliHelpText() {
    std::string text =
        "Usage: fetchwell-cli [--port PATH | --simulate] [--folder DIR] [--erase | --no-erase] [--quiet]\n"
        "       fetchwell-cli --list-ports | --help | --version\n"
        "\n"
        "Copies the test reports stored in a ZT914 electrical-safety analyzer into text files, one per "
        "report,\n"
        "and can then have the instrument erase its records. Ctrl-C cancels the download.\n"
        "\n"
        "  --port PATH    the serial port to use (any tty, pseudo-terminals included) instead of device 0,\n"
        "                 the first FTDI USB-serial port (USB vendor 0403) by name\n"
        "  --simulate     the built-in simulated instrument with its sample reports\n"
        "  --folder DIR   the report folder for this run only; without it, the saved report folder of the\n"
        "                 desktop program (~/.config/Quillfen/Fetchwell.conf), by default ~/ZT914reports\n"
        "  --erase        answer Yes to both questions before the instrument's records are erased\n"
        "  --no-erase     answer No; without either, the questions are asked on a terminal, and answered No\n"
        "                 when standard input is not a terminal\n"
        "  --quiet        no status lines; errors and questions still show\n"
        "  --list-ports   every serial port with its USB vendor:product id, and which one is device 0\n"
        "  --help         this text\n"
        "  --version      the version\n"
        "\n"
        "Exit status:\n";
    std::size_t count = 0;
    const ExitStatusRow* rows = ExitStatusRows(&count);
    for (std::size_t i = 0; i < count; ++i) {
        char line[160];
        std::snprintf(line, sizeof line, "  %-4d %s\n", rows[i].status, rows[i].meaning);
        text += line;
    }
    return text;
}
