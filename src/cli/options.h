// fetchwell-cli's command line.
#pragma once

#include <string>

enum class CliAction { Download, ListPorts, Help, Version };
enum class EraseAnswer { Ask, Yes, No };

struct CliOptions {
    CliAction action = CliAction::Download;
    std::string port;  // empty: device 0, the first FTDI USB-serial port
    bool simulate = false;
    bool hasFolder = false;  // without --folder, the saved report folder
    std::string folder;
    EraseAnswer erase = EraseAnswer::Ask;
    bool quiet = false;
};

// False, with a message for the user, when the command line is wrong.
bool ParseCliOptions(int argc, const char* const* argv, CliOptions* options, std::string* error);
// The --help text, exit statuses included.
std::string CliHelpText();
