#pragma once
// pellorin [options] [SITE]

#include <QString>
#include <QStringList>

struct PellorinOptions {
    QString port;           // --port DEVICE: use this serial device, no search
    bool simulate = false;  // --simulate-board: a simulated board on a pty
    QString capturePath;    // --capture FILE: record the board's traffic
    QString sitePath;       // SITE: opened at start (with the keep-points question)
    int scale = 0;          // --scale N: the window's scale; 0 = chosen from the screen
};

enum class CommandLineResult { kRun, kExitOk, kExitError };

// Parses `arguments` (arguments[0] is the program). For --help, --version and
// errors `output` receives the text to print.
CommandLineResult ParseCommandLine(const QStringList& arguments, PellorinOptions& options,
                                   QString& output);
