#include "app/application.h"

#include "app/core/messages.h"
#include "data/errors.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace mero {

MeroApplication::MeroApplication(int& argc, char** argv) : QApplication(argc, argv) {}

QString CurrentErrorText() {
    try {
        throw;
    } catch (const MeroError& e) {
        return e.message();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Neznámá chyba.");
    }
}

bool MeroApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const SilentAbort&) {
    } catch (...) {
        TMessages::Unhandled(CurrentErrorText());
    }
    return false;
}

bool MeroApplication::installCzechTranslations() {
    auto* translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Czech, QLocale::CzechRepublic), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installTranslator(translator);
        return true;
    }
    delete translator;
    return false;
}

} // namespace mero
