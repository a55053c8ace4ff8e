#pragma once

#include <QApplication>

namespace mero {

// The program's application object. Its event loop has the general error handler: an error that no
// operation handled is shown with the application title and a stop icon, and the program goes on.
// A silent abort is never shown (its message has been shown already).
class MeroApplication : public QApplication {
    Q_OBJECT
public:
    MeroApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Loads Qt's own Czech texts (qtbase_cs.qm); false when they are not installed.
    bool installCzechTranslations();
};

// The text the general handler shows for the current exception (call inside a catch block).
QString CurrentErrorText();

} // namespace mero
