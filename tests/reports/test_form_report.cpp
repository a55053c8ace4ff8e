// The report preview window: one window, replaced and hidden, modal or not; search; PDF output; the
// check protocol shown in it.

#include "checks/check_module.h"
#include "checks/check_results.h"
#include "reports/check_protocol.h"
#include "reports/ui/form_report.h"
#include "support/test_support.h"

#include <QApplication>
#include <QLineEdit>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPageRanges>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace mero;

namespace {

ReportDocument longReport(const QString& title, int lines, int markedLine) {
    ReportDocument report;
    report.title = title;
    report.pageFooter = QStringLiteral("Strana %1");
    QString html = QStringLiteral("<p style=\"font-size:14pt\"><b>%1</b></p>").arg(title.toHtmlEscaped());
    for (int i = 1; i <= lines; ++i) {
        html += QStringLiteral("<p>Řádek %1 Příliš žluťoučký kůň%2</p>")
                    .arg(i)
                    .arg(i == markedLine ? QStringLiteral(" Hledaný*Výraz") : QString());
    }
    report.html = html;
    return report;
}

QString pdfText(const QString& path, int page) {
    QPdfDocument pdf;
    if (pdf.load(path) != QPdfDocument::Error::None)
        return QString();
    return pdf.getAllText(page).text();
}

int pdfPages(const QString& path) {
    QPdfDocument pdf;
    if (pdf.load(path) != QPdfDocument::Error::None)
        return -1;
    return pdf.pageCount();
}

void destroyPreview() {
    if (TFormReport* w = TFormReport::instance()) {
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace

class TestFormReport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { destroyPreview(); }
    void cleanup() { destroyPreview(); }

    void showReplaceHideAndClose() {
        QVERIFY(!TFormReport::instance());
        TFormReport::HideReport(); // no window: nothing happens
        QVERIFY(!TFormReport::instance());

        TFormReport::ShowReport(longReport(QStringLiteral("Sorvenal - chybový výstup"), 10, 0), false);
        QPointer<TFormReport> first = TFormReport::instance();
        QVERIFY(first);
        QVERIFY(first->isVisible());
        QCOMPARE(first->windowTitle(), QStringLiteral("Sorvenal - chybový výstup"));
        QVERIFY(first->isWindow());
        QVERIFY(!first->parentWidget()); // its own task-bar entry
        QCOMPARE(first->windowModality(), Qt::NonModal);
        QCOMPARE(first->pageCount(), 1);

        // Printing a form from the list replaces the non-modal protocol's content in the same window.
        TFormReport::ShowReport(longReport(QStringLiteral("Dotazník KS"), 200, 0), false);
        QCOMPARE(TFormReport::instance(), first.data());
        QCOMPARE(first->windowTitle(), QStringLiteral("Dotazník KS"));
        QVERIFY(first->pageCount() > 2);
        QCOMPARE(first->currentPage(), 1);

        TFormReport::HideReport();
        QVERIFY(first);
        QVERIFY(!first->isVisible());

        TFormReport::ShowReport(longReport(QStringLiteral("Znovu"), 3, 0), false);
        QCOMPARE(TFormReport::instance(), first.data());
        QVERIFY(first->isVisible());

        // Closing destroys it; the next report gets a new window.
        first->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QVERIFY(!TFormReport::instance());
        TFormReport::HideReport();
    }

    void modalReturnsWhenClosed() {
        Qt::WindowModality seen = Qt::NonModal;
        bool visible = false;
        QString caption;
        QTimer::singleShot(0, [&] {
            TFormReport* w = TFormReport::instance();
            QVERIFY(w);
            seen = w->windowModality();
            visible = w->isVisible();
            caption = w->windowTitle();
            QTest::keyClick(w, Qt::Key_Escape); // Escape closes the preview
        });
        TFormReport::ShowReport(longReport(QStringLiteral("Modální"), 5, 0), true);
        QCOMPARE(seen, Qt::ApplicationModal);
        QVERIFY(visible);
        QCOMPARE(caption, QStringLiteral("Modální"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!TFormReport::instance());
    }

    void pageNavigation() {
        TFormReport::ShowReport(longReport(QStringLiteral("Stránky"), 200, 0), false);
        TFormReport* w = TFormReport::instance();
        const int pages = w->pageCount();
        QVERIFY(pages >= 3);
        w->findChild<QAction*>(QStringLiteral("ActLastPage"))->trigger();
        QCOMPARE(w->currentPage(), pages);
        w->findChild<QAction*>(QStringLiteral("ActNextPage"))->trigger();
        QCOMPARE(w->currentPage(), pages); // stays on the last
        w->findChild<QAction*>(QStringLiteral("ActPriorPage"))->trigger();
        QCOMPARE(w->currentPage(), pages - 1);
        w->findChild<QAction*>(QStringLiteral("ActFirstPage"))->trigger();
        QCOMPARE(w->currentPage(), 1);

        auto* preview = w->findChild<QPrintPreviewWidget*>();
        w->findChild<QAction*>(QStringLiteral("ActFitPage"))->trigger();
        QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::FitInView);
        w->findChild<QAction*>(QStringLiteral("ActFitWidth"))->trigger();
        QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::FitToWidth);
        const qreal zoom = preview->zoomFactor();
        w->findChild<QAction*>(QStringLiteral("ActZoomIn"))->trigger();
        QVERIFY(preview->zoomFactor() > zoom);
        w->findChild<QAction*>(QStringLiteral("ActZoomOut"))->trigger();
        w->findChild<QAction*>(QStringLiteral("ActZoomOut"))->trigger();
        QVERIFY(preview->zoomFactor() < zoom);
    }

    void searchFindsHighlightsAndGoesToPage() {
        test::RecordingSink sink;
        TFormReport::ShowReport(longReport(QStringLiteral("Hledání"), 200, 150), false);
        TFormReport* w = TFormReport::instance();
        QVERIFY(w->pageCount() >= 3);

        // Typed into the search box, Enter finds: case-insensitive, the asterisk is an ordinary character.
        auto* edit = w->findChild<QLineEdit*>(QStringLiteral("SearchText"));
        edit->setText(QStringLiteral("hledaný*výraz"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(w->matchText(), QStringLiteral("Hledaný*Výraz"));
        QVERIFY(w->matchPage() > 1);
        QCOMPARE(w->currentPage(), w->matchPage());
        QVERIFY(sink.messages.isEmpty());
        if (!qEnvironmentVariableIsEmpty("MERO_GRAB"))
            w->grab().save(qEnvironmentVariable("MERO_GRAB") + QStringLiteral("/preview.png"));

        // The highlight is on the page itself.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("hledani.pdf"));
        QVERIFY(w->saveAsPdf(path));
        if (!qEnvironmentVariableIsEmpty("MERO_GRAB"))
            QFile::copy(path, qEnvironmentVariable("MERO_GRAB") + QStringLiteral("/hledani.pdf"));
        QVERIFY(pdfText(path, w->matchPage() - 1).contains(QStringLiteral("Hledaný*Výraz")));

        // No further match: message, and the next search starts again at the top.
        QVERIFY(!w->findNext(QStringLiteral("hledaný*výraz")));
        QCOMPARE(sink.texts(QStringLiteral("info")), QStringList{QStringLiteral("Hledaný text nebyl nalezen.")});
        QCOMPARE(w->matchPage(), 0);
        QVERIFY(w->findNext(QStringLiteral("hledaný*výraz")));

        // Successive matches move on through the document.
        QVERIFY(w->findNext(QStringLiteral("Řádek 1")));
        const int firstPage = w->matchPage();
        QCOMPARE(firstPage, 1);
        int page = firstPage;
        for (int i = 0; i < 110; ++i) // "Řádek 1", "Řádek 10"... "Řádek 199": 111 matches in all
            QVERIFY2(w->findNext(QStringLiteral("Řádek 1")), qPrintable(QString::number(i)));
        page = w->matchPage();
        QVERIFY(page > firstPage);
        QVERIFY(!w->findNext(QStringLiteral("Řádek 1")));

        sink.clear();
        QVERIFY(!w->findNext(QStringLiteral("neexistuje")));
        QCOMPARE(sink.texts(QStringLiteral("info")).size(), 1);
    }

    void savesPdfWithPagesAndFooter() {
        test::RecordingSink sink;
        TFormReport::ShowReport(longReport(QStringLiteral("Tiskový výstup"), 120, 0), false);
        TFormReport* w = TFormReport::instance();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("výstup.pdf"));
        QVERIFY(w->saveAsPdf(path));
        QCOMPARE(pdfPages(path), w->pageCount());
        QVERIFY(w->pageCount() >= 2);
        const QString first = pdfText(path, 0);
        QVERIFY(first.contains(QStringLiteral("Tiskový výstup")));
        QVERIFY(first.contains(QStringLiteral("Příliš žluťoučký kůň")));
        QVERIFY(first.contains(QStringLiteral("Strana 1")));
        QVERIFY(pdfText(path, 1).contains(QStringLiteral("Strana 2")));
        QVERIFY(!first.contains(QStringLiteral("Strana 2")));
        QVERIFY(sink.messages.isEmpty());

        // An unwritable target: a clear error, nothing reported as saved.
        QVERIFY(!w->saveAsPdf(dir.filePath(QStringLiteral("chybí/výstup.pdf"))));
        QCOMPARE(sink.errors().size(), 1);
        QVERIFY(sink.errors().first().contains(QStringLiteral("nelze uložit")));
    }

    // A table line that meets a page break is drawn whole on one page, never cut in two and shown on
    // both; plain paragraphs and table rows of different heights and paddings alike.
    void tableLinesAtPageBreaksAppearOnce_data() {
        QTest::addColumn<QString>("tableAttributes");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("footer");
        QTest::newRow("protocol table") << QStringLiteral("width=\"100%\" cellspacing=\"0\" cellpadding=\"2\"") << 260 << true;
        QTest::newRow("bordered table") << QStringLiteral("border=\"1\" cellspacing=\"0\" cellpadding=\"4\"") << 200 << true;
        QTest::newRow("no footer") << QStringLiteral("cellspacing=\"2\" cellpadding=\"3\"") << 220 << false;
    }
    void tableLinesAtPageBreaksAppearOnce() {
        QFETCH(QString, tableAttributes);
        QFETCH(int, rows);
        QFETCH(bool, footer);
        ReportDocument report;
        report.title = QStringLiteral("Zlom stránky");
        if (footer)
            report.pageFooter = QStringLiteral("Strana %1");
        QString html = QStringLiteral("<p>Úvod</p><table %1>").arg(tableAttributes);
        for (int i = 1; i <= rows; ++i) {
            // Rows of different heights, so that some row meets every page break.
            const QString style = i % 3 == 0 ? QStringLiteral(" style=\"padding-top: 7px;\"") : QString();
            html += QStringLiteral("<tr><td%1>K%2K</td><td>Text řádku %2%3</td><td>ano</td></tr>")
                        .arg(style)
                        .arg(i)
                        .arg(i % 7 == 0 ? QStringLiteral("<br/>druhý řádek buňky") : QString());
        }
        html += QStringLiteral("</table>");
        report.html = html;
        TFormReport::ShowReport(report, false);
        TFormReport* w = TFormReport::instance();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("zlom.pdf"));
        QVERIFY(w->saveAsPdf(path));
        if (!qEnvironmentVariableIsEmpty("MERO_GRAB"))
            QFile::copy(path, qEnvironmentVariable("MERO_GRAB") + QStringLiteral("/zlom-%1.pdf").arg(QTest::currentDataTag()));
        const int pages = pdfPages(path);
        QVERIFY(pages >= 3);
        QCOMPARE(pages, w->pageCount());
        QString all;
        QList<QString> perPage;
        for (int p = 0; p < pages; ++p) {
            perPage << pdfText(path, p);
            all += perPage.last() + QLatin1Char('\n');
        }
        for (int i = 1; i <= rows; ++i) {
            const QString token = QStringLiteral("K%1K").arg(i);
            QVERIFY2(all.count(token) == 1, qPrintable(QStringLiteral("%1 appears %2 times").arg(token).arg(all.count(token))));
            const QString text = QStringLiteral("Text řádku %1").arg(i);
            const QRegularExpression whole(QStringLiteral("Text řádku %1(?!\\d)").arg(i));
            QVERIFY2(all.count(whole) == 1, qPrintable(text));
        }
        if (footer)
            for (int p = 0; p < pages; ++p)
                QVERIFY(perPage[p].contains(QStringLiteral("Strana %1").arg(p + 1)));
        // Search still lands on the page that shows the line.
        QVERIFY(w->findNext(QStringLiteral("K%1K").arg(rows)));
        QVERIFY(perPage[w->matchPage() - 1].contains(QStringLiteral("K%1K").arg(rows)));
    }

    // Printing the pages chosen in the print dialog prints those pages only.
    void printsChosenPages_data() {
        // "L" stands for the last page.
        QTest::addColumn<QString>("range");
        QTest::newRow("all pages") << QString();
        QTest::newRow("from 2 to 3") << QStringLiteral("2-3");
        QTest::newRow("only the last") << QStringLiteral("L");
        QTest::newRow("first and last") << QStringLiteral("1,L");
    }
    void printsChosenPages() {
        QFETCH(QString, range);
        TFormReport::ShowReport(longReport(QStringLiteral("Výběr stránek"), 200, 0), false);
        TFormReport* w = TFormReport::instance();
        const int pages = w->pageCount();
        QVERIFY(pages >= 4);
        range.replace(QLatin1Char('L'), QString::number(pages));
        QList<int> printed;
        if (range.isEmpty()) {
            for (int p = 1; p <= pages; ++p)
                printed << p;
        } else {
            for (const QString& part : range.split(QLatin1Char(','))) {
                const QStringList ends = part.split(QLatin1Char('-'));
                for (int p = ends.first().toInt(); p <= ends.last().toInt(); ++p)
                    printed << p;
            }
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("stranky.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(QPageSize(QPageSize::A4));
        const double m = w->report().marginMm; // as the preview lays the pages out
        printer.setPageMargins(QMarginsF(m, m, m, m), QPageLayout::Millimeter);
        if (!range.isEmpty()) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setPageRanges(QPageRanges::fromString(range));
        }
        w->paintPages(&printer);
        QCOMPARE(pdfPages(path), int(printed.size()));
        for (int i = 0; i < printed.size(); ++i)
            QVERIFY(pdfText(path, i).contains(QStringLiteral("Strana %1").arg(printed[i])));
        QCOMPARE(w->pageCount(), pages);
    }

    void checkProtocolInPreview() {
        test::RecordingSink sink;
        TFormReport::Install();
        // A check run without failed checks shows no protocol, only the information.
        TCheckModule module(nullptr, {}, {});
        module.PrepareCheckResults();
        module.ShowCheckResults(false);
        QCOMPARE(sink.texts(QStringLiteral("info")),
                 QStringList{QStringLiteral("Během kontroly nebyly nalezeny žádné chyby.")});
        QVERIFY(!TFormReport::instance());

        auto row = [](const QString& id, const QString& employer, const QString& severity, const QString& code,
                      const QString& value) {
            TCheckResult r;
            r.ID = id;
            r.ID_SVAZ = QStringLiteral("7");
            r.SVAZ = QStringLiteral("OS Kovo");
            r.SUBJEKT1 = employer;
            r.SUBJEKT2 = QStringLiteral("ZO Strojírny");
            r.ROK = 2024;
            r.ZAVAZNOST = severity;
            r.KOD = code;
            r.TEXT = QStringLiteral("Hodnota otázky %1 není vyplněna.").arg(code);
            r.HODNOTA = value;
            return r;
        };
        // Rows already in the result list's order.
        const std::vector<TCheckResult> rows{
            row(QStringLiteral("1\x1f" "99999"), QStringLiteral("Alfa a.s."), QStringLiteral("Chyba"),
                QStringLiteral("2.9"), QStringLiteral("ANO")),
            row(QStringLiteral("1\x1f" "99999"), QStringLiteral("Alfa a.s."), QStringLiteral("Chyba"),
                QStringLiteral("2.10"), QStringLiteral("NE")),
            row(QStringLiteral("1\x1f" "99999"), QStringLiteral("Alfa a.s."), QStringLiteral("Upozornění"),
                QStringLiteral("3.1"), QString()),
            row(QStringLiteral("2\x1f" "99999"), QStringLiteral("Beta s.r.o."), QStringLiteral("Chyba"),
                QStringLiteral("4.1"), QStringLiteral("12,5")),
        };
        ShowReport(CheckProtocolDocument(rows), false);
        TFormReport* w = TFormReport::instance();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("Sorvenal - chybový výstup"));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("protokol.pdf"));
        QVERIFY(w->saveAsPdf(path));
        const QString text = pdfText(path, 0).simplified();
        QVERIFY(text.contains(QStringLiteral("Sorvenal - chybový výstup")));
        QVERIFY(text.contains(QStringLiteral("OS Kovo rok 2024")));
        QVERIFY(text.contains(QStringLiteral("Zaměstnavatel: Alfa a.s., ZO OS: ZO Strojírny")));
        QVERIFY(text.contains(QStringLiteral("Zaměstnavatel: Beta s.r.o., ZO OS: ZO Strojírny")));
        QVERIFY(text.contains(QStringLiteral("2.10 Hodnota otázky 2.10 není vyplněna. NE")));
        QCOMPARE(text.count(QStringLiteral("Počet chyb: 2")), 1);
        QCOMPARE(text.count(QStringLiteral("Počet chyb: 1")), 2);
        QVERIFY(text.contains(QStringLiteral("Celkový počet chyb: 3")));
        QVERIFY(text.contains(QStringLiteral("Celkový počet chyb: 1")));
        QVERIFY(text.contains(QStringLiteral("Strana 1")));
        // Order: the first agreement's lines before the second's.
        QVERIFY(text.indexOf(QStringLiteral("2.9")) < text.indexOf(QStringLiteral("2.10")));
        QVERIFY(text.indexOf(QStringLiteral("Alfa")) < text.indexOf(QStringLiteral("Beta")));

        module.HideCheckResults();
        QVERIFY(!w->isVisible());
        ReportPreview::setInstance(nullptr);
    }
};

QTEST_MAIN(TestFormReport)
#include "test_form_report.moc"
