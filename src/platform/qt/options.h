// The desktop program's command line: which instrument to talk to, or help and version.
#pragma once

#include <QString>
#include <QStringList>

struct Options {
    enum class Action { Run, Help, Version, Error };

    Action action = Action::Run;
    QString port;           // --port PATH: this serial port instead of the first FTDI USB-serial port
    bool simulate = false;  // --simulate: the built-in simulated instrument
    QString error;          // what was wrong, for Action::Error
};

// Reads the arguments that are left once Qt has taken its own; the first is the program's name.
Options ParseOptions(const QStringList& arguments);
// Help or Version when the raw arguments ask for either (help first), else Run: both are answered before Qt
// starts, so they need no display.
Options::Action HelpOrVersionAsked(int argc, char** argv);
QString UsageText();
QString VersionText();
