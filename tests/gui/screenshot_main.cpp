// Draws the main window offscreen into a PNG (scripts/screenshot.sh makes docs/main-window.png).
#include "app/form_main.h"
#include "app/application.h"

#include <QTimer>

int main(int argc, char** argv) {
    mero::MeroApplication app(argc, argv);
    app.installCzechTranslations();
    const QString target = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("main-window.png");
    const int step = argc > 2 ? QString::fromLatin1(argv[2]).toInt() : 1;
    mero::TFormMain window;
    window.setWindowState(Qt::WindowNoState);
    window.resize(1024, 700);
    window.FormCreate(QStringLiteral("verze programu 1.00, verze dat 1.0, instalace 99999"));
    window.show();
    window.ShowStep(step);
    QTimer::singleShot(200, &app, [&] {
        window.grab().save(target);
        app.exit(0);
    });
    return app.exec();
}
