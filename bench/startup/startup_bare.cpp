// A bare Qt window program: the baseline of the start-up benchmark.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Lokální pořizovací program MERO"));
    window.setCentralWidget(new QLabel(QStringLiteral("MERO")));
    window.statusBar()->showMessage(QStringLiteral("verze"));
    window.showMaximized();
    // ended the same way as the program's start-up run
    QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    return app.exec();
}
