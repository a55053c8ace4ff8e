#include "app/application.h"
#include "app/message_dialogs.h"
#include "data/errors.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace mero;

namespace {

// What a message box looked like when it was shown.
struct Seen {
    bool shown = false;
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons; // visible buttons
    QString defaultButton;
    bool modal = false;
};

// Waits for the next modal message box, records it, then lets act close it.
void whenBoxShows(Seen* seen, std::function<void(QMessageBox*)> act) {
    auto poll = std::make_shared<std::function<void(int)>>();
    *poll = [seen, act, poll](int tries) {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (tries > 0)
                QTimer::singleShot(20, [poll, tries] { (*poll)(tries - 1); });
            return;
        }
        seen->shown = true;
        seen->caption = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        seen->modal = box->isModal();
        for (QAbstractButton* b : box->buttons())
            if (!b->isHidden())
                seen->buttons.append(b->text());
        if (box->defaultButton())
            seen->defaultButton = box->defaultButton()->text();
        act(box);
    };
    QTimer::singleShot(0, [poll] { (*poll)(250); });
}

std::function<void(QMessageBox*)> clickButton(const QString& text) {
    return [text](QMessageBox* box) {
        for (QAbstractButton* b : box->buttons())
            if (b->text() == text && !b->isHidden())
                QTest::mouseClick(b, Qt::LeftButton);
    };
}

std::function<void(QMessageBox*)> pressKey(Qt::Key key) {
    return [key](QMessageBox* box) { QTest::keyClick(box, key); };
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_sink = std::make_unique<DialogSink>(); }
    void cleanup() { m_sink.reset(); }

    void errorAndInfo();
    void confirmAnswers_data();
    void confirmAnswers();
    void waitWindows();
    void generalHandlerShowsAndGoesOn_data();
    void generalHandlerShowsAndGoesOn();
    void silentAbortIsNotShown();
    void czechTranslations();

private:
    std::unique_ptr<DialogSink> m_sink;
};

void TestDialogs::errorAndInfo() {
    Seen error;
    whenBoxShows(&error, clickButton("OK"));
    TMessages::Error(QStringLiteral("Nenalezena databáze: /x/data.db3"));
    QVERIFY(error.shown);
    QCOMPARE(error.caption, QStringLiteral("Chyba"));
    QCOMPARE(error.text, QStringLiteral("Nenalezena databáze: /x/data.db3"));
    QCOMPARE(error.icon, QMessageBox::Critical);
    QCOMPARE(error.buttons, QStringList{"OK"});
    QVERIFY(error.modal);

    Seen info;
    whenBoxShows(&info, pressKey(Qt::Key_Escape));
    TMessages::Info(QStringLiteral("Hotovo."));
    QVERIFY(info.shown);
    QCOMPARE(info.caption, QStringLiteral("Informace"));
    QCOMPARE(info.icon, QMessageBox::Information);
    QCOMPARE(info.buttons, QStringList{"OK"});
}

void TestDialogs::confirmAnswers_data() {
    QTest::addColumn<int>("how"); // 0 click Ano, 1 click Ne, 2 Escape, 3 Enter, 4 close the window
    QTest::addColumn<int>("expected");
    QTest::newRow("Ano") << 0 << int(ConfirmResult::Yes);
    QTest::newRow("Ne") << 1 << int(ConfirmResult::No);
    QTest::newRow("Escape is cancel, not no") << 2 << int(ConfirmResult::Cancel);
    QTest::newRow("Enter takes the default Ano") << 3 << int(ConfirmResult::Yes);
    QTest::newRow("closing is cancel") << 4 << int(ConfirmResult::Cancel);
}

void TestDialogs::confirmAnswers() {
    QFETCH(int, how);
    QFETCH(int, expected);
    Seen seen;
    std::function<void(QMessageBox*)> act;
    switch (how) {
    case 0: act = clickButton("Ano"); break;
    case 1: act = clickButton("Ne"); break;
    case 2: act = pressKey(Qt::Key_Escape); break;
    case 3: act = pressKey(Qt::Key_Return); break;
    default: act = [](QMessageBox* box) { box->close(); }; break;
    }
    whenBoxShows(&seen, act);
    const ConfirmResult result = TMessages::Confirm(QStringLiteral("Chcete program ukončit?"));
    QVERIFY(seen.shown);
    QCOMPARE(int(result), expected);
    QCOMPARE(seen.caption, QStringLiteral("Potvrzení"));
    QCOMPARE(seen.text, QStringLiteral("Chcete program ukončit?"));
    QCOMPARE(seen.icon, QMessageBox::Question);
    QCOMPARE(seen.buttons, QStringList({"Ano", "Ne"}));
    QCOMPARE(seen.defaultButton, QStringLiteral("Ano"));
}

void TestDialogs::waitWindows() {
    ShowProgress(0, 10, 3);
    TFormProgress* progress = m_sink->progressWindow();
    QVERIFY(progress);
    QVERIFY(progress->isVisible());
    QVERIFY(!progress->isModal());
    QCOMPARE(progress->windowTitle(), QStringLiteral("Průběh"));
    QCOMPARE(progress->width(), 300);
    QVERIFY(!(progress->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint)));
    QVERIFY(progress->findChildren<QLabel*>().first()->text() == QString::fromUtf8(kWaitText));
    QCOMPARE(progress->bar()->minimum(), 0);
    QCOMPARE(progress->bar()->maximum(), 10);
    QCOMPARE(progress->bar()->value(), 3);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(qAbs(progress->frameGeometry().center().x() - screen.center().x()) <= 2);
    ShowProgress(0, 10, 7);
    QCOMPARE(m_sink->progressWindow(), progress); // created once
    QCOMPARE(progress->bar()->value(), 7);
    HideProgress();
    QVERIFY(!progress->isVisible());

    HideInfo(); // nothing to hide yet
    QVERIFY(!m_sink->infoWindow());
    ShowInfo(QStringLiteral("Smlouva 3 z 10"));
    TFormInfo* info = m_sink->infoWindow();
    QVERIFY(info && info->isVisible());
    QVERIFY(!info->isModal());
    QCOMPARE(info->windowTitle(), QStringLiteral("Informace"));
    QCOMPARE(info->width(), 300);
    QCOMPARE(info->text(), QStringLiteral("Smlouva 3 z 10"));
    QCOMPARE(info->findChildren<QLabel*>().first()->text(), QString::fromUtf8(kWaitText));
    HideInfo();
    QVERIFY(!info->isVisible());
}

void TestDialogs::generalHandlerShowsAndGoesOn_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("database error") << 0 << "no such table: EPKS";
    QTest::newRow("standard error") << 1 << "Špatná hodnota";
    QTest::newRow("anything else") << 2 << "Neznámá chyba.";
}

void TestDialogs::generalHandlerShowsAndGoesOn() {
    QFETCH(int, kind);
    QFETCH(QString, expected);
    Seen seen;
    whenBoxShows(&seen, clickButton("OK"));
    QTimer::singleShot(0, [kind] {
        if (kind == 0)
            throw DbError(QStringLiteral("no such table: EPKS"));
        if (kind == 1)
            throw std::runtime_error("Špatná hodnota");
        throw 42;
    });
    bool later = false;
    QTimer::singleShot(50, [&later] { later = true; });
    QTRY_VERIFY(seen.shown);
    QTRY_VERIFY(later); // the event loop goes on
    QCOMPARE(seen.caption, QStringLiteral("Lokální pořizovací program MERO"));
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.text, expected);
    QCOMPARE(seen.buttons, QStringList{"OK"});
}

void TestDialogs::silentAbortIsNotShown() {
    Seen seen;
    whenBoxShows(&seen, clickButton("OK"));
    QTimer::singleShot(0, [] { throw SilentAbort(); });
    bool later = false;
    QTimer::singleShot(300, [&later] { later = true; });
    QTRY_VERIFY(later);
    QVERIFY(!seen.shown);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestDialogs::czechTranslations() {
    auto* app = static_cast<MeroApplication*>(QCoreApplication::instance());
    QVERIFY(app->installCzechTranslations());
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Zrušit"));
}

int main(int argc, char** argv) {
    MeroApplication app(argc, argv);
    TestDialogs test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_dialogs.moc"
