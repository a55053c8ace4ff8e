#include "app/toolkit_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace mero {

bool InstallToolkitTranslations() {
    static QTranslator* translator = nullptr;
    if (translator)
        return true;
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    auto* t = new QTranslator(QCoreApplication::instance());
    if (!t->load(QStringLiteral("qtbase_cs"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return false;
    }
    QCoreApplication::installTranslator(t);
    translator = t;
    return true;
}

} // namespace mero
