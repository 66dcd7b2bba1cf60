#pragma once

#include <QStringList>

class QCoreApplication;

// The terminal mode of `pictaro`: `--batch`, `--help` and `--version`, without a window
// and without widgets.
class KPTerminal
{
public:
    KPTerminal() = delete;

    // Whether the arguments ask for the terminal rather than the window.
    static bool wanted(int argc, char* argv[]);
    // Runs what the arguments (after the program's name, with the bytes of each kept, see
    // KPPath) ask for and returns the exit status.
    static int run(QCoreApplication& application, const QStringList& arguments);
};
