#pragma once

#include <QString>

namespace mero {

// Queries of the operating system. Class-level operations only.
class TSystem {
public:
    TSystem() = delete;

    // The user's private temporary folder, with a trailing separator. It is created on first use
    // with mode 0700 ($XDG_RUNTIME_DIR/mero when that is usable, otherwise $TMPDIR or /tmp, folder
    // "mero-<uid>"); a folder of that name that is not the user's own private one is never used.
    static QString TempPath();
    // "major.minor" of the program's version, the minor number with two digits ("1.00", "3.05").
    static QString ProgramVersion();
    static QString FormatVersion(int major, int minor);
    // The folder of the running executable, without a trailing separator.
    static QString ProgramFolder();
};

// Appends the text and a line break to "log.txt" in the current folder, only under a debugger.
void Log(const QString& text);
// True when a debugger (any tracer) is attached to the process.
bool InDebugger();
// The user's per-user data folder ($XDG_DATA_HOME, default ~/.local/share), without a trailing
// separator. The folder is not created.
QString AppDataPath();

} // namespace mero
