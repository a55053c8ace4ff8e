// The main window: layout, the navigation table, the hold of SaveIdentification, the exit question, the
// status text from a real database, the guide documents, the step windows made once.

#include "app/editor_conventions.h"
#include "app/form_main.h"
#include "data/connection.h"
#include "support/test_support.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

using namespace mero;

namespace {

QLabel* label(TFormMain& w, const char* name) {
    return w.findChild<QLabel*>(QString::fromLatin1(name));
}

QString activeChildTitle(TFormMain& w) {
    QMdiSubWindow* sub = w.clientArea()->activeSubWindow();
    return sub && sub->widget() ? sub->widget()->windowTitle() : QString();
}

void click(TFormMain& w, const char* name) {
    QLabel* l = label(w, name);
    QVERIFY2(l, name);
    QTest::mouseClick(l, Qt::LeftButton);
}

} // namespace

class TestFormMain : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void layoutAndFirstShow() {
        TFormMain w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Lokální pořizovací program MERO"));
        QCOMPARE(w.minimumSize(), QSize(640, 480));
        QVERIFY(w.windowState() & Qt::WindowMaximized);
        QCOMPARE(w.currentStep(), 0);
        QVERIFY(!w.highlightedLabel());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // Shown: step 1.
        QCOMPARE(w.currentStep(), 1);
        QCOMPARE(w.highlightedLabel(), label(w, "LabelIdentifikace"));

        QCOMPARE(w.findChild<QWidget*>(QStringLiteral("TitlePanel"))->height(), 46);
        QCOMPARE(w.findChild<QWidget*>(QStringLiteral("GuidePanel"))->height(), 115);
        QCOMPARE(w.findChild<QWidget*>(QStringLiteral("NavigationBar"))->height(), 32);
        QCOMPARE(w.findChild<QWidget*>(QStringLiteral("StatusPanel"))->height(), 30);
        QCOMPARE(w.findChild<QWidget*>(QStringLiteral("StepMenu"))->width(), 230);
        QCOMPARE(w.findChild<QWidget*>(QStringLiteral("ImageGuide"))->width(), 230);
        QLabel* title = label(w, "LabelTitle");
        QCOMPARE(title->text(), QStringLiteral("Lokální pořizovací program MERO "));
        QVERIFY(title->font().bold() && title->font().italic());
        QCOMPARE(title->font().pixelSize(), 29);
        QCOMPARE(title->palette().color(QPalette::WindowText), QColor(16, 98, 154));
        QCOMPARE(w.findChild<QWidget*>(QStringLiteral("StepMenu"))->palette().color(QPalette::Window),
                 QColor(234, 244, 254));
        QCOMPARE(w.findChild<QWidget*>(QStringLiteral("StatusPanel"))->palette().color(QPalette::Window),
                 QColor(16, 98, 154));
        QCOMPARE(label(w, "LabelIdentifikaceDescription")->text(),
                 QStringLiteral("identifikace zaměstnavatele a základní organizace"));
        QCOMPARE(label(w, "LabelIdentifikaceDescription")->palette().color(QPalette::WindowText),
                 QColor(147, 147, 147));
        QCOMPARE(label(w, "LabelPorizeniDat")->text(), QStringLiteral("2. Kolektivní smlouvy"));
        QCOMPARE(label(w, "LabelOdeslaniDat")->text(), QStringLiteral("3. Odeslání dat"));
        QCOMPARE(label(w, "LabelKonec")->text(), QStringLiteral("Ukončit program"));
        QCOMPARE(label(w, "LabelPorizeniDat")->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(!label(w, "LabelIdentifikaceImage")->pixmap().isNull());
        QVERIFY(label(w, "LabelInfo")->font().bold());
    }

    void navigationTable_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("clicked");
        QTest::addColumn<int>("to");
        const char* menu[] = {"LabelIdentifikace", "LabelPorizeniDat", "LabelOdeslaniDat"};
        for (int from = 1; from <= 3; ++from) {
            for (int to = 1; to <= 3; ++to)
                QTest::addRow("%d %s", from, menu[to - 1]) << from << QString::fromLatin1(menu[to - 1]) << to;
            const int back = from == 1 ? 1 : from - 1;
            const int next = from == 3 ? 3 : from + 1;
            QTest::addRow("%d Zpět", from) << from << QStringLiteral("LabelZpet") << back;
            QTest::addRow("%d Zpět picture", from) << from << QStringLiteral("ImageZpet") << back;
            QTest::addRow("%d Další", from) << from << QStringLiteral("LabelDalsi") << next;
            QTest::addRow("%d Další picture", from) << from << QStringLiteral("ImageDalsi") << next;
        }
    }
    void navigationTable() {
        QFETCH(int, from);
        QFETCH(QString, clicked);
        QFETCH(int, to);
        TFormMain w;
        int saves = 0;
        w.setSaveIdentification([&] {
            ++saves;
            return true;
        });
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.ShowStep(from);
        QCOMPARE(w.currentStep(), from);
        saves = 0;
        click(w, clicked.toLatin1().constData());
        QCOMPARE(w.currentStep(), to);

        static const char* labels[] = {"LabelIdentifikace", "LabelPorizeniDat", "LabelOdeslaniDat"};
        static const char* captions[] = {"Identifikace", "Pořízení dat z kolektivní smlouvy",
                                         "Odeslání dat ke zpracování"};
        static const char* documents[] = {"IDENTIFIKACE", "PORIZENI_DAT", "ODESLANI_DAT"};
        QCOMPARE(w.highlightedLabel(), label(w, labels[to - 1]));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(label(w, labels[i])->palette().color(QPalette::WindowText),
                     i == to - 1 ? QColor(239, 61, 66) : QColor(16, 98, 154));
        QCOMPARE(w.guideCaption(), QString::fromUtf8(captions[to - 1]));
        QCOMPARE(w.guideDocument(), QString::fromLatin1(documents[to - 1]));
        QVERIFY(activeChildTitle(w) == w.stepWindow(to)->windowTitle());
        // Leaving step 1 (or choosing it again) asks SaveIdentification once; a no-op never does.
        const bool acted = !(from == 1 && clicked.endsWith(QLatin1String("Zpet")));
        QCOMPARE(saves, from == 1 && acted ? 1 : 0);
    }

    void saveIdentificationHoldsStepOne() {
        TFormMain w;
        bool allow = false;
        int calls = 0;
        w.setSaveIdentification([&] {
            ++calls;
            return allow;
        });
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.currentStep(), 1);
        QCOMPARE(calls, 0); // entering step 1 from nowhere saves nothing
        QWidget* child = w.stepWindow(1);
        const QString document = w.guideDocument();

        click(w, "LabelOdeslaniDat");
        QCOMPARE(calls, 1);
        QCOMPARE(w.currentStep(), 1);
        QCOMPARE(w.highlightedLabel(), label(w, "LabelIdentifikace"));
        QCOMPARE(w.guideCaption(), QStringLiteral("Identifikace"));
        QCOMPARE(w.guideDocument(), document);
        QCOMPARE(w.clientArea()->activeSubWindow()->widget(), child);
        QVERIFY(!w.stepWindow(3));

        click(w, "LabelDalsi");
        w.ShowStep(1); // not even step 1 itself passes
        QCOMPARE(calls, 3);
        QCOMPARE(w.currentStep(), 1);

        allow = true;
        click(w, "LabelOdeslaniDat");
        QCOMPARE(w.currentStep(), 3);
        QCOMPARE(w.highlightedLabel(), label(w, "LabelOdeslaniDat"));
        // Other steps never ask.
        click(w, "LabelPorizeniDat");
        QCOMPARE(calls, 4);
    }

    void stepWindowsCreatedOnceWithPaintingSuspended() {
        TFormMain w;
        int refreshes = 0;
        w.setRefreshAgreements([&] { ++refreshes; });
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QWidget* first = w.stepWindow(1);
        QVERIFY(first);
        QVERIFY(first->windowTitle().contains(QStringLiteral("bude doplněn později")));
        QVERIFY(first->isVisible());
        w.ShowStep(2);
        QCOMPARE(refreshes, 1);
        QWidget* second = w.stepWindow(2);
        QVERIFY(second && second->isVisible());
        QVERIFY(!first->isVisible() || w.clientArea()->activeSubWindow()->widget() == second);
        w.ShowStep(1);
        QCOMPARE(w.stepWindow(1), first); // shown again, not made anew
        QCOMPARE(w.clientArea()->subWindowList().size(), 2);
        QCOMPARE(w.clientArea()->activeSubWindow()->widget(), first);
        QVERIFY(!TForms::PaintingSuspended());

        // A form's own window made through CreateChild: painting of the client area is off while it is
        // being built, and on again afterwards.
        struct Probe : QWidget {
            Probe(bool* seen) { *seen = TForms::PaintingSuspended(); }
        };
        bool suspendedDuringCreation = false;
        Probe* probe = nullptr;
        w.setShowStepWindow(3, [&] {
            if (!probe)
                TForms::CreateChild(probe, &suspendedDuringCreation);
            TForms::ShowChild(probe);
        });
        w.ShowStep(3);
        QVERIFY(probe);
        QVERIFY(suspendedDuringCreation);
        QVERIFY(!TForms::PaintingSuspended());
        QCOMPARE(w.clientArea()->activeSubWindow()->widget(), probe);
        QCoreApplication::processEvents();
        QVERIFY(w.clientArea()->viewport()->updatesEnabled());
    }

    void exitQuestion_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("viaLabel");
        QTest::addColumn<bool>("closes");
        QTest::newRow("yes, label") << int(ConfirmResult::Yes) << true << true;
        QTest::newRow("yes, close button") << int(ConfirmResult::Yes) << false << true;
        QTest::newRow("no, label") << int(ConfirmResult::No) << true << false;
        QTest::newRow("no, close button") << int(ConfirmResult::No) << false << false;
        QTest::newRow("Escape, label") << int(ConfirmResult::Cancel) << true << false;
        QTest::newRow("Escape, close button") << int(ConfirmResult::Cancel) << false << false;
    }
    void exitQuestion() {
        QFETCH(int, answer);
        QFETCH(bool, viaLabel);
        QFETCH(bool, closes);
        test::RecordingSink sink;
        sink.answers = {ConfirmResult(answer)};
        TFormMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (viaLabel)
            click(w, "LabelKonec");
        else
            QVERIFY(w.close() == closes);
        QCOMPARE(sink.texts(QStringLiteral("confirm")), QStringList{QStringLiteral("Chcete program ukončit?")});
        QCOMPARE(w.isVisible(), !closes);
    }

    void statusText_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first start") << "PRAGMA user_version = 6; CREATE TABLE AUTOINC (TABULKA VARCHAR(30), HODNOTA "
                                        "INTEGER); INSERT INTO AUTOINC VALUES ('ID_UPDATE', 3);"
                                     << "verze programu 1.00, verze dat 6.3, instalace 99999";
        QTest::newRow("no update level") << "PRAGMA user_version = 2; CREATE TABLE AUTOINC (TABULKA VARCHAR(30), "
                                            "HODNOTA INTEGER); INSERT INTO AUTOINC VALUES ('ID_UPDATE', NULL);"
                                         << "verze programu 1.00, verze dat 2., instalace 99999";
        QTest::newRow("no AUTOINC table") << "PRAGMA user_version = 7;"
                                          << "verze programu 1.00, verze dat 7., instalace 99999";
    }
    void statusText() {
        QFETCH(QString, script);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        Connection connection;
        connection.open(dir.filePath(QStringLiteral("data.db3")), Connection::OpenMode::Create);
        connection.execute(script);
        const QString text = TFormMain::BuildStatusText(&connection, QStringLiteral("1.00"), 99999);
        QCOMPARE(text, expected);
        TFormMain w;
        w.FormCreate(text);
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LabelInfo"))->text(), expected);
        QCOMPARE(TFormMain::BuildStatusText(nullptr, QString(), 99999),
                 QStringLiteral("verze programu , verze dat ., instalace 99999"));
    }

    void guideDocuments_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<QStringList>("paragraphs");
        QTest::newRow("IDENTIFIKACE")
            << 1
            << QStringList{
                   QStringLiteral("Zadejte nebo zkontrolujte identifikační údaje zaměstnavatele a základní organizace "
                                  "odborového svazu, kteří uzavírají kolektivní smlouvu."),
                   QStringLiteral("Položky obsahující číselníky doplňte výběrem údajů z číselníku."),
                   QStringLiteral("U položky \"Typ subjektu\" vyberte jednu z možností podle způsobu odměňování "
                                  "zaměstnanců u zaměstnavatele:"),
                   QStringLiteral("- podnikatelský subjekt (odměňováno mzdou podle § 109 odst. 2 zákona č. 262/2006 "
                                  "Sb.)"),
                   QStringLiteral("- veřejná služba a správa (odměňováno platem podle § 109 odst. 3 zákona č. "
                                  "262/2006 Sb.)"),
                   QStringLiteral("- obce a kraje (odměňováno platem podle § 109 odst. 3 zákona č. 262/2006 Sb. u "
                                  "obcí a krajů)")};
        QTest::newRow("PORIZENI_DAT")
            << 2
            << QStringList{
                   QStringLiteral("Pokud vyplňujete data z kolektivní smlouvy do dotazníku poprvé, zvolte "
                                  "\"Vložit|Nový obsah\". V případě, že chcete využít data z předešlého roku, vyberte "
                                  "nejprve smlouvu, kterou chcete zkopírovat, a poté zvolte \"Vložit|Kopie obsahu\". V "
                                  "dotazníku proveďte změny dle aktuální kolektivní smlouvy a dotazník uložte."),
                   QStringLiteral("Pro otevření formuláře existující Kolektivní smlouvy (KS) zvolte tlačítko "
                                  "„Upravit“."),
                   QStringLiteral("U otázek, kde je nutné uvést hodnotu (v Kč, procentech, dnech) nebo text, program "
                                  "neumožní zatrhnout odpověď „ano“. Odpověď „ano“ program zatrhne automaticky až při "
                                  "zadání konkrétní hodnoty nebo textu."),
                   QStringLiteral("Po uložení dotazníku proveďte kontrolu dat pomocí tlačítka \"Kontrola\". Program "
                                  "Vás upozorní na nestandardní hodnoty a hodnoty, které nesplňují ustanovení "
                                  "zákoníku práce.")};
        QTest::newRow("ODESLANI_DAT")
            << 3 << QStringList{QStringLiteral("Zadejte kontaktní informace a vyberte způsob odeslání dat.")};
    }
    void guideDocuments() {
        QFETCH(int, step);
        QFETCH(QStringList, paragraphs);
        TFormMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.ShowStep(step);
        auto* viewer = w.findChild<QTextBrowser*>(QStringLiteral("GuideViewer"));
        QVERIFY(viewer->isReadOnly());
        QCOMPARE(viewer->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts), paragraphs);
        for (QTextBlock block = viewer->document()->begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it)
                QCOMPARE(it.fragment().charFormat().fontPointSize(), 8.0);
    }
};

QTEST_MAIN(TestFormMain)
#include "test_form_main.moc"
