// The program's start-up sequence (the one `mero` runs), ending as soon as the main window is shown.
#include "app/program.h"

#include <QCoreApplication>
#include <QTimer>

int main(int argc, char* argv[]) {
    // exit(), not quit(): quit() would close the window and so ask the exit question. The sequence
    // then returns without that question; the data module closes the connection.
    return mero::RunProgram(argc, argv, [] {
        QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
    });
}
