// Runs the program's start-up sequence (the one `mero` runs) and reports, one line each on standard
// output, every message box it shows and the main window once it is shown. It answers the boxes
// itself, in the order of MERO_DRIVER_ANSWERS (button texts or "Escape", comma-separated; Escape
// when the list is used up). With MERO_DRIVER_CLOSE=n it then tries n times to close the main window
// and reports each result; otherwise it ends the event loop as soon as the window is shown.
//
//   dialog <TAB> caption <TAB> text <TAB> buttons        (CR and LF of the text written as \r and \n)
//   shown <TAB> title <TAB> maximized <TAB> status text <TAB> step
//   closed <TAB> 0|1
#include "app/form_main.h"
#include "app/program.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

void put(const QStringList& fields) {
    QString line = fields.join(QLatin1Char('\t'));
    line.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    line.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

QStringList g_answers;

// Started when the application object is made, before the sequence shows its first box.
void watchMessageBoxes() {
    g_answers = qEnvironmentVariable("MERO_DRIVER_ANSWERS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    auto* timer = new QTimer(QCoreApplication::instance());
    auto answered = std::make_shared<QPointer<QMessageBox>>();
    QObject::connect(timer, &QTimer::timeout, [answered] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || box == answered->data() || !box->isVisible())
            return;
        *answered = box;
        QStringList buttons;
        for (QAbstractButton* b : box->buttons())
            if (!b->isHidden())
                buttons.append(b->text());
        put({QStringLiteral("dialog"), box->windowTitle(), box->text(), buttons.join(QLatin1Char(','))});
        const QString answer = g_answers.isEmpty() ? QStringLiteral("Escape") : g_answers.takeFirst();
        for (QAbstractButton* b : box->buttons())
            if (!b->isHidden() && b->text() == answer) {
                b->click();
                return;
            }
        QTest::keyClick(box, Qt::Key_Escape);
    });
    timer->start(10);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchMessageBoxes)

int main(int argc, char* argv[]) {
    return mero::RunProgram(argc, argv, [] {
        mero::TFormMain* form = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<mero::TFormMain*>(w))
                form = f;
        if (!form) {
            put({QStringLiteral("no main window")});
            QTimer::singleShot(0, [] { QCoreApplication::exit(3); });
            return;
        }
        put({QStringLiteral("shown"), form->windowTitle(),
             QString::number(form->isVisible() && (form->windowState() & Qt::WindowMaximized) ? 1 : 0),
             form->statusText(), QString::number(form->currentStep())});
        const int attempts = qEnvironmentVariableIntValue("MERO_DRIVER_CLOSE");
        QTimer::singleShot(0, form, [form, attempts] {
            QPointer<mero::TFormMain> window(form);
            for (int i = 0; i < attempts && window && window->isVisible(); ++i)
                put({QStringLiteral("closed"), QString::number(window->close() ? 1 : 0)});
            // exit(), not quit(): quit() would close the window and so ask the question once more.
            if (window && window->isVisible())
                QCoreApplication::exit(0);
        });
    });
}
