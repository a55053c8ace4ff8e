// The program's start-up sequence (as main() runs it), ending as soon as the main window is shown.
#include "app/application.h"
#include "app/core/startup.h"
#include "app/form_main.h"
#include "app/message_dialogs.h"

#include <QTimer>

int main(int argc, char* argv[]) {
    using namespace mero;
    Startup::CheckUpdater();
    MeroApplication app(argc, argv);
    app.installCzechTranslations();
    DialogSink dialogs;
    SettingsStoreSource settings;
    TData data;
    Startup::ConfigureDataModule(data, settings);
    if (!Startup::OpenAndPrepare(data))
        return 1;
    QCoreApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
    TFormMain form(data);
    form.showMaximized();
    // exit(), not quit(): quit() would close the window and so ask the exit question
    QTimer::singleShot(0, &app, [] { QCoreApplication::exit(0); });
    app.exec();
    // Leave without the exit question; the data module closes the connection.
    return 0;
}
