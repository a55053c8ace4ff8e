// Grids over a real SQLite table: the list configurations, the footer count under a filter, sorting in
// Czech collation, the cell-drawing hook, the toolbar's actions, the clipboard text and the search
// dialog.

#include "data/connection.h"
#include "data/dataset.h"
#include "forms/data_grid.h"
#include "forms/grid_toolbar.h"
#include "support/test_support.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace mero;

namespace {

struct GridFixture {
    QTemporaryDir dir;
    Connection connection;
    std::unique_ptr<Dataset> table;
    DataGrid grid;
    int colName = -1, colCity = -1, colInst = -1;

    explicit GridFixture(bool empty = false) {
        connection.open(dir.filePath(QStringLiteral("data.db3")), Connection::OpenMode::Create);
        connection.execute(QStringLiteral("CREATE TABLE Z (ID INTEGER PRIMARY KEY, ID_INST INTEGER, NAZEV VARCHAR(40), "
                                          "MESTO VARCHAR(40));"));
        if (!empty)
            connection.execute(QStringLiteral("INSERT INTO Z VALUES (1, 99999, 'Alfa', 'Brno');"
                                              "INSERT INTO Z VALUES (2, 99999, 'beta', 'Cheb');"
                                              "INSERT INTO Z VALUES (3, 12, 'Gama*', 'Hodonín');"
                                              "INSERT INTO Z VALUES (4, 99999, 'Áčko', 'Brno');"
                                              "INSERT INTO Z VALUES (5, 99999, '', 'Žatec');"));
        table = std::make_unique<Dataset>(QStringLiteral("TblZ"));
        table->setConnection(&connection);
        table->setTableName(QStringLiteral("Z"));
        table->open();
        colName = grid.addColumn(QStringLiteral("NAZEV"), QStringLiteral("Název organizace"), 160,
                                 QStringLiteral("Název"));
        colCity = grid.addColumn(QStringLiteral("MESTO"), QStringLiteral("Město"), 120);
        colInst = grid.addColumn(QStringLiteral("ID_INST"), QStringLiteral("Instalace"), 60);
        grid.setColumnVisible(colInst, false);
        grid.setDataset(table.get());
        grid.resize(500, 300);
    }
};

QStringList column(const DataGrid& grid, int c) {
    QStringList out;
    for (int r = 0; r < grid.rowCount(); ++r)
        out << grid.displayText(r, c);
    return out;
}

} // namespace

class TestGridTools : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listConfigurations_data() {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QList<int>>("hidden");
        QTest::newRow("read-only list") << true << QList<int>{6, 7, 8, 9, 10, 12, 13};
        QTest::newRow("editable list") << false << QList<int>{8, 12, 13, 14};
    }
    void listConfigurations() {
        QFETCH(bool, readOnly);
        QFETCH(QList<int>, hidden);
        GridFixture fx;
        if (readOnly)
            ConfigureReadOnlyList(&fx.grid);
        else
            ConfigureEditableList(&fx.grid);
        ConfigureReadOnlyList(nullptr);
        ConfigureEditableList(nullptr);
        for (int b = 0; b < DataGrid::NavButtonCount; ++b)
            QCOMPARE(fx.grid.isNavigatorButtonVisible(b), !hidden.contains(b));
        static const char* hints[] = {"První záznam",     "Předchozí stránka",  "Předchozí záznam",
                                      "Další záznam",     "Další stránka",      "Poslední záznam",
                                      "Vložit nový záznam", "Smazat záznam",    "Upravit záznam",
                                      "Uložit změny",     "Zrušit změny",       "Aktualizovat záznamy",
                                      "",                 "",                   "Filtrovat záznamy"};
        for (int b = 0; b < DataGrid::NavButtonCount; ++b)
            QCOMPARE(fx.grid.navigatorButton(b)->toolTip(), QString::fromUtf8(hints[b]));
        QCOMPARE(fx.grid.confirmDelete(), !readOnly);
        QCOMPARE(fx.grid.isEditable(), !readOnly);
        QCOMPARE(fx.grid.headerFilter(), readOnly);
        QCOMPARE(fx.grid.view()->selectionBehavior(),
                 readOnly ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
        // The current row keeps its highlight without the focus.
        const QPalette pal = fx.grid.view()->palette();
        QCOMPARE(pal.color(QPalette::Inactive, QPalette::Highlight), pal.color(QPalette::Active, QPalette::Highlight));
        QCOMPARE(pal.color(QPalette::Inactive, QPalette::HighlightedText),
                 pal.color(QPalette::Active, QPalette::HighlightedText));
        QAbstractItemModelTester tester(fx.grid.view()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    // Buttons configured while the navigator is on screen take their places at once: the shown buttons
    // of a group sit side by side, one equal gap separates two groups, and a group without shown buttons
    // leaves no gap of its own.
    void navigatorGroupsCloseUpAtOnce_data() {
        QTest::addColumn<int>("configuration"); // 0 read-only, 1 editable, 2 custom
        QTest::newRow("read-only list") << 0;
        QTest::newRow("editable list") << 1;
        QTest::newRow("only refresh and filter") << 2;
    }
    void navigatorGroupsCloseUpAtOnce() {
        QFETCH(int, configuration);
        GridFixture fx;
        fx.grid.setNavigatorVisible(true);
        fx.grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fx.grid));
        QCoreApplication::processEvents();
        if (configuration == 0) {
            ConfigureReadOnlyList(&fx.grid);
        } else if (configuration == 1) {
            ConfigureEditableList(&fx.grid);
        } else {
            for (int b = 0; b < DataGrid::NavButtonCount; ++b)
                fx.grid.setNavigatorButtonVisible(b, b == DataGrid::NavRefresh || b == DataGrid::NavFilter);
        }
        // No event processing in between: the geometry must already be right.
        const QList<int> groupOf{0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 3, 3, 4};
        QList<int> shown;
        for (int b = 0; b < DataGrid::NavButtonCount; ++b)
            if (fx.grid.isNavigatorButtonVisible(b))
                shown << b;
        QVERIFY(shown.size() >= 2);
        const int left = fx.grid.navigatorButton(shown.first())->x();
        QVERIFY2(left <= 4, qPrintable(QStringLiteral("first button at %1").arg(left)));
        QSet<int> inGroup, betweenGroups;
        for (int i = 1; i < shown.size(); ++i) {
            const QToolButton* a = fx.grid.navigatorButton(shown[i - 1]);
            const QToolButton* b = fx.grid.navigatorButton(shown[i]);
            const int space = b->x() - (a->x() + a->width());
            (groupOf[shown[i]] == groupOf[shown[i - 1]] ? inGroup : betweenGroups) << space;
        }
        QVERIFY(betweenGroups.size() == 1);
        if (!inGroup.isEmpty()) {
            QCOMPARE(inGroup.size(), 1);
            QVERIFY(*betweenGroups.begin() > *inGroup.begin());
        }
        QVERIFY(*betweenGroups.begin() >= 4);
        if (!qEnvironmentVariableIsEmpty("MERO_GRAB"))
            fx.grid.grab().save(qEnvironmentVariable("MERO_GRAB") + QStringLiteral("/navigator-%1.png").arg(configuration));
    }

    void footerFollowsFilterAtOnce() {
        GridFixture fx;
        ConfigureReadOnlyList(&fx.grid);
        QCOMPARE(fx.grid.footerText(), QStringLiteral("Počet položek: 5"));
        fx.grid.setColumnFilter(fx.colCity, {QStringLiteral("Brno")});
        QCOMPARE(fx.grid.footerText(), QStringLiteral("Počet položek: 2"));
        QCOMPARE(column(fx.grid, fx.colName), (QStringList{QStringLiteral("Alfa"), QStringLiteral("Áčko")}));
        fx.grid.setColumnFilter(fx.colCity, {QStringLiteral("Praha")});
        QCOMPARE(fx.grid.footerText(), QStringLiteral("Počet položek: 0"));
        fx.grid.clearFilters();
        QCOMPARE(fx.grid.footerText(), QStringLiteral("Počet položek: 5"));
        // Rows added and removed in the dataset.
        fx.table->append();
        fx.table->fieldByName(QStringLiteral("NAZEV"))->setValue(QStringLiteral("Nová"));
        fx.table->post();
        QCOMPARE(fx.grid.footerText(), QStringLiteral("Počet položek: 6"));
        fx.table->deleteRecord();
        QCOMPARE(fx.grid.footerText(), QStringLiteral("Počet položek: 5"));
        // The header's filter values in Czech collation.
        QCOMPARE(fx.grid.columnValues(fx.colCity), (QStringList{QStringLiteral("Brno"), QStringLiteral("Hodonín"),
                                                                  QStringLiteral("Cheb"), QStringLiteral("Žatec")}));

        GridFixture empty(true);
        ConfigureReadOnlyList(&empty.grid);
        QCOMPARE(empty.grid.footerText(), QStringLiteral("Počet položek: 0"));
    }

    void sortsByDisplayedTextInCzech() {
        GridFixture fx;
        fx.grid.sortByColumn(fx.colCity);
        QCOMPARE(column(fx.grid, fx.colCity), (QStringList{QStringLiteral("Brno"), QStringLiteral("Brno"),
                                                             QStringLiteral("Hodonín"), QStringLiteral("Cheb"),
                                                             QStringLiteral("Žatec")}));
        fx.grid.sortByColumn(fx.colName, Qt::DescendingOrder);
        QCOMPARE(column(fx.grid, fx.colName).first(), QStringLiteral("Gama*"));
        // The focused row is the dataset's current row.
        fx.grid.setFocusedRow(0);
        QCOMPARE(fx.table->fieldByName(QStringLiteral("NAZEV"))->asString(), QStringLiteral("Gama*"));
        fx.table->locate(QStringLiteral("ID"), {2});
        QCOMPARE(fx.grid.displayText(fx.grid.focusedRow(), fx.colName), QStringLiteral("beta"));
    }

    void bandsAndHeaderTexts() {
        GridFixture fx;
        const int band = fx.grid.addBand(QStringLiteral("Organizace"));
        fx.grid.setColumnBand(fx.colName, band);
        fx.grid.setColumnBand(fx.colCity, band);
        fx.grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fx.grid));
        QVERIFY(fx.grid.findChild<QWidget*>(QStringLiteral("BandHeader"))->isVisible());
        QCOMPARE(fx.grid.bandCaption(fx.grid.columnBand(fx.colCity)), QStringLiteral("Organizace"));
        // The header paints its own text; the caption names the column.
        QCOMPARE(fx.grid.view()->model()->headerData(fx.colName, Qt::Horizontal).toString(), QStringLiteral("Název"));
        QCOMPARE(fx.grid.columnCaption(fx.colName), QStringLiteral("Název organizace"));
        QVERIFY(fx.grid.view()->isColumnHidden(fx.colInst));
        QCOMPARE(fx.grid.visibleColumns(), (QList<int>{fx.colName, fx.colCity}));
        if (!qEnvironmentVariableIsEmpty("MERO_GRAB")) {
            ConfigureReadOnlyList(&fx.grid);
            PaintOtherInstallationsSilver(&fx.grid, QStringLiteral("ID_INST"), 99999);
            fx.grid.grab().save(qEnvironmentVariable("MERO_GRAB") + QStringLiteral("/grid.png"));
        }
    }

    void otherInstallationsInSilver() {
        GridFixture fx;
        PaintOtherInstallationsSilver(&fx.grid, QStringLiteral("ID_INST"), 99999);
        for (int row = 0; row < fx.grid.rowCount(); ++row) {
            QStyleOptionViewItem option;
            option.palette.setColor(QPalette::Text, Qt::black);
            fx.grid.cellPainter()(fx.grid, row, fx.colName, option);
            const bool other = fx.grid.displayText(row, fx.colName) == QStringLiteral("Gama*");
            QCOMPARE(option.palette.color(QPalette::Text), other ? QColor(192, 192, 192) : QColor(Qt::black));
        }
    }

    void clipboardText() {
        GridFixture fx;
        fx.grid.setColumnFilter(fx.colCity, {QStringLiteral("Brno")});
        const QString expected = QStringLiteral("Název organizace\tMěsto\r\nAlfa\tBrno\r\nÁčko\tBrno\r\n");
        QCOMPARE(TFrameGridToolBar::GridText(fx.grid), expected);
        TFrameGridToolBar toolbar;
        toolbar.Bind(&fx.grid);
        fx.grid.setFocusedRow(0);
        QTest::mouseClick(toolbar.BtnClipboard, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), expected); // all rows, not only the focused one
        QVERIFY(!QGuiApplication::overrideCursor());

        GridFixture empty(true);
        QCOMPARE(TFrameGridToolBar::GridText(empty.grid), QStringLiteral("Název organizace\tMěsto\r\n"));
    }

    void toolbarActions() {
        GridFixture fx;
        test::RecordingSink sink;
        TFrameGridToolBar toolbar;
        QCOMPARE(toolbar.BtnInsert->size(), QSize(75, 22));
        QCOMPARE(toolbar.BtnClipboard->text(), QStringLiteral("Do schránky"));
        toolbar.Bind(&fx.grid);
        toolbar.setDataset(fx.table.get());
        int edits = 0, inserted = 0;
        toolbar.setEditAction([&](Dataset& ds) {
            ++edits;
            QCOMPARE(&ds, fx.table.get());
        });
        toolbar.setInsertHook([&](Dataset& ds) {
            ++inserted;
            QCOMPARE(ds.state(), DatasetState::Insert);
        });
        auto* extra = new QPushButton(QStringLiteral("Kontrola"));
        toolbar.addButton(extra);
        QCOMPARE(extra->parentWidget(), &toolbar);

        // Nothing focused: edit and delete do nothing.
        fx.grid.view()->setCurrentIndex(QModelIndex());
        toolbar.BtnEditClick();
        toolbar.BtnDeleteClick();
        QCOMPARE(edits, 0);
        QVERIFY(sink.messages.isEmpty());

        fx.grid.setFocusedRow(1);
        QTest::mouseClick(toolbar.BtnEdit, Qt::LeftButton);
        QCOMPARE(edits, 1);
        // A double-click on a cell edits too.
        fx.grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fx.grid));
        const QRect cell = fx.grid.view()->visualRect(fx.grid.view()->model()->index(1, fx.colName));
        QTest::mouseClick(fx.grid.view()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(fx.grid.view()->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(edits, 2);

        // Delete asks; No keeps the row, Yes deletes it.
        sink.answers = {ConfirmResult::No, ConfirmResult::Yes};
        toolbar.setDeleteQuestion(QStringLiteral("Smazat organizaci?"));
        toolbar.BtnDeleteClick();
        QCOMPARE(fx.table->recordCount(), 5);
        toolbar.BtnDeleteClick();
        QCOMPARE(fx.table->recordCount(), 4);
        QCOMPARE(sink.texts(QStringLiteral("confirm")),
                 (QStringList{QStringLiteral("Smazat organizaci?"), QStringLiteral("Smazat organizaci?")}));
        toolbar.setDeleteQuestion(QString());
        sink.clear();
        sink.answers = {ConfirmResult::Cancel};
        toolbar.BtnDeleteClick();
        QCOMPARE(sink.texts(QStringLiteral("confirm")),
                 QStringList{QStringLiteral("Opravdu chcete smazat vybraný záznam?")});
        QCOMPARE(fx.table->recordCount(), 4);

        QTest::mouseClick(toolbar.BtnInsert, Qt::LeftButton);
        QCOMPARE(inserted, 1);
        QCOMPARE(fx.table->state(), DatasetState::Insert);
        QVERIFY(fx.grid.view()->updatesEnabled());
    }

    void matchRules_data() {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<bool>("exact");
        QTest::addColumn<bool>("matches");
        QTest::newRow("empty text, partial") << "Alfa" << "" << false << false << false;
        QTest::newRow("empty text, partial, empty cell") << "" << "" << false << false << false;
        QTest::newRow("empty text, exact, empty cell") << "" << "" << false << true << true;
        QTest::newRow("empty text, exact, full cell") << "Alfa" << "" << false << true << false;
        QTest::newRow("part") << "Alfa" << "lf" << false << false << true;
        QTest::newRow("ascii case ignored") << "Alfa" << "ALFA" << false << true << true;
        QTest::newRow("ascii case kept") << "Alfa" << "ALFA" << true << true << false;
        QTest::newRow("á is not Á") << "bláto" << "BLÁTO" << false << false << false;
        QTest::newRow("around á may differ") << "bláto" << "BláTO" << false << false << true;
        QTest::newRow("asterisk is a character") << "Gama*" << "a*" << false << false << true;
        QTest::newRow("asterisk no wildcard") << "Gamma" << "G*a" << false << false << false;
        QTest::newRow("exact needs all") << "Alfa" << "Alf" << false << true << false;
    }
    void matchRules() {
        QFETCH(QString, cell);
        QFETCH(QString, text);
        QFETCH(bool, caseSensitive);
        QFETCH(bool, exact);
        QFETCH(bool, matches);
        QCOMPARE(TGridSearch::Matches(cell, text, caseSensitive, exact), matches);
    }

    void searchDialog() {
        GridFixture fx;
        test::RecordingSink sink;
        TFrameGridToolBar toolbar;
        toolbar.Bind(&fx.grid);
        toolbar.setDataset(fx.table.get());
        // The dialog opens modally; the test drives it while it is open and closes it with Escape.
        bool checked = false;
        QTimer::singleShot(0, [&] {
            TGridSearch* dialog = toolbar.searchDialog();
            QVERIFY(dialog && dialog->isVisible());
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Najít"));
            QCOMPARE(dialog->FieldsList->count(), 2); // visible columns only
            QCOMPARE(dialog->FieldsList->itemText(0), QStringLiteral("Název organizace"));
            QVERIFY(!dialog->BtnSearchNext->isEnabled());
            QCOMPARE(dialog->SearchText->currentText(), QString());

            dialog->SearchText->setEditText(QStringLiteral("a"));
            QTest::mouseClick(dialog->BtnSearchFirst, Qt::LeftButton);
            QCOMPARE(fx.grid.displayText(fx.grid.focusedRow(), fx.colName), QStringLiteral("Alfa"));
            QCOMPARE(fx.table->fieldByName(QStringLiteral("ID"))->asInteger(), 1);
            QVERIFY(dialog->BtnSearchNext->isEnabled());
            QTest::mouseClick(dialog->BtnSearchNext, Qt::LeftButton);
            QCOMPARE(fx.grid.displayText(fx.grid.focusedRow(), fx.colName), QStringLiteral("beta"));
            QTest::mouseClick(dialog->BtnSearchNext, Qt::LeftButton);
            QCOMPARE(fx.grid.displayText(fx.grid.focusedRow(), fx.colName), QStringLiteral("Gama*"));
            // "Áčko" holds no a..z "a": after the last match, the message, and Next is disabled.
            QTest::mouseClick(dialog->BtnSearchNext, Qt::LeftButton);
            QCOMPARE(sink.errors(), QStringList{QStringLiteral("Hledaný text nebyl nalezen.")});
            QVERIFY(!dialog->BtnSearchNext->isEnabled());
            QCOMPARE(fx.grid.displayText(fx.grid.focusedRow(), fx.colName), QStringLiteral("Gama*"));
            // "Najít" starts again from the first row.
            QTest::mouseClick(dialog->BtnSearchFirst, Qt::LeftButton);
            QCOMPARE(fx.grid.displayText(fx.grid.focusedRow(), fx.colName), QStringLiteral("Alfa"));
            // Changing the column resets.
            dialog->FieldsList->setCurrentIndex(1);
            QVERIFY(!dialog->BtnSearchNext->isEnabled());
            QCOMPARE(dialog->lastFound(), -1);
            dialog->cbPartialSearch->setChecked(true);
            dialog->SearchText->setEditText(QStringLiteral("brno"));
            QTest::mouseClick(dialog->BtnSearchFirst, Qt::LeftButton);
            QCOMPARE(fx.grid.focusedRow(), 0);
            dialog->cbCaseSensitive->setChecked(true);
            QTest::mouseClick(dialog->BtnSearchFirst, Qt::LeftButton);
            QCOMPARE(sink.errors().size(), 2);

            // History: newest first, at most 10, a known text stays where it is.
            for (int i = 1; i <= 12; ++i) {
                dialog->SearchText->setEditText(QStringLiteral("t%1").arg(i));
                dialog->BtnSearchFirstClick();
            }
            QCOMPARE(dialog->history().size(), 10);
            QCOMPARE(dialog->history().first(), QStringLiteral("t12"));
            dialog->SearchText->setEditText(QStringLiteral("t8"));
            dialog->BtnSearchFirstClick();
            QCOMPARE(dialog->history().first(), QStringLiteral("t12"));
            QCOMPARE(dialog->history().size(), 10);
            QTest::keyClick(dialog, Qt::Key_Escape);
            checked = true;
        });
        toolbar.BtnSearchClick();
        QVERIFY(checked);
        TGridSearch* first = toolbar.searchDialog();
        QVERIFY(!first->isVisible());

        // Reopened: the same dialog with its column and history, the text cleared.
        QTimer::singleShot(0, [&] {
            TGridSearch* dialog = toolbar.searchDialog();
            QCOMPARE(dialog->FieldsList->currentIndex(), 1);
            QCOMPARE(dialog->history().size(), 10);
            QCOMPARE(dialog->SearchText->currentText(), QString());
            QCOMPARE(dialog->lastFound(), -1);
            dialog->BtnCloseClick();
        });
        toolbar.BtnSearchClick();
        QCOMPARE(toolbar.searchDialog(), first);
    }
};

QTEST_MAIN(TestGridTools)
#include "test_grid_tools.moc"
