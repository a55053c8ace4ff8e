#include "app/program.h"

#include "app/application.h"
#include "app/core/startup.h"
#include "app/form_main.h"
#include "app/message_dialogs.h"

namespace mero {

int RunProgram(int& argc, char** argv, const std::function<void()>& whenShown) {
    // 1. The program updater, before anything else.
    Startup::CheckUpdater();

    // 2. The window toolkit, with its own texts in Czech, and the message dialogs.
    MeroApplication app(argc, argv);
    app.installCzechTranslations();
    DialogSink dialogs;

    // 3. The data module.
    SettingsStoreSource settings;
    TData data;
    Startup::ConfigureDataModule(data, settings);

    // 4 to 8. Database, data updates, fields, datasets, installation.
    if (!Startup::OpenAndPrepare(data))
        return 1;

    // 9 to 11. Title, main window, event loop.
    // (the name, not the display name: that would be appended to every window's caption)
    QCoreApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
    TFormMain form(data);
    form.setWindowTitle(QString::fromUtf8(kApplicationTitle));
    form.showMaximized();
    if (whenShown)
        whenShown();
    return app.exec();
}

} // namespace mero
