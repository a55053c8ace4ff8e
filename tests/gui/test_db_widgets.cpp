// The data-aware widget kit over a real SQLite table: writing at once, following the current row,
// refusing what a column cannot take, the yes/no pair, the date without a value, the lookup combo box,
// and change tracking on and off.

#include "app/db_widgets.h"
#include "app/editor_conventions.h"
#include "data/errors.h"
#include "gui_fixture.h"
#include "support/test_support.h"

#include <QAbstractItemView>
#include <QStandardItemModel>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

using namespace mero;
using mero::test::RecordingTracker;
using mero::test::typeText;

namespace {

struct Form {
    QWidget window;
    QVBoxLayout* layout = new QVBoxLayout(&window);

    template <class T>
    T* add(T* w) {
        layout->addWidget(w);
        return w;
    }
    void show() {
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
};

// Clicks a check box on its indicator.
void clickBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

} // namespace

class TestDbWidgets : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void textWritesAtOnceAndFollowsTheRow() {
        test::WidgetFixture fx;
        Form form;
        auto* edit = form.add(new DbEdit);
        edit->bind(fx.table.get(), QStringLiteral("NAZEV"));
        form.show();
        QCOMPARE(edit->text(), QStringLiteral("první"));
        QCOMPARE(edit->maxLength(), 20);
        edit->setFocus();
        edit->end(false);
        typeText(edit, QStringLiteral(" řádek"));
        QCOMPARE(fx.table->state(), DatasetState::Edit);
        QCOMPARE(fx.table->fieldByName(QStringLiteral("NAZEV"))->asString(), QStringLiteral("první řádek"));
        fx.table->post();
        fx.table->next();
        QCOMPARE(edit->text(), QStringLiteral("druhý"));
        fx.table->first();
        QCOMPARE(edit->text(), QStringLiteral("první řádek"));
        // Someone else writes the field: the editor follows.
        fx.table->edit();
        fx.table->fieldByName(QStringLiteral("NAZEV"))->setValue(QStringLiteral("jiný"));
        QCOMPARE(edit->text(), QStringLiteral("jiný"));
        fx.table->cancel();
        QCOMPARE(edit->text(), QStringLiteral("první řádek"));
        // The row as stored in the file.
        QCOMPARE(TDBValue(fx, "SELECT NAZEV FROM T WHERE ID = 1"), QStringLiteral("první řádek"));
    }

    void charactersOutsideWindows1250AreRefused_data() {
        QTest::addColumn<bool>("memo");
        QTest::newRow("line") << false;
        QTest::newRow("memo") << true;
    }
    void charactersOutsideWindows1250AreRefused() {
        QFETCH(bool, memo);
        test::WidgetFixture fx;
        test::RecordingSink sink;
        Form form;
        QWidget* editor = nullptr;
        if (memo) {
            auto* m = form.add(new DbMemo);
            m->bind(fx.table.get(), QStringLiteral("POZNAMKA"));
            editor = m;
        } else {
            auto* e = form.add(new DbEdit);
            e->bind(fx.table.get(), QStringLiteral("NAZEV"));
            editor = e;
        }
        form.show();
        editor->setFocus();
        if (!memo)
            static_cast<DbEdit*>(editor)->end(false);
        typeText(editor, QStringLiteral("€ž"));
        typeText(editor, QStringLiteral("Ж"));
        const QString expected = memo ? QStringLiteral("€ž") : QStringLiteral("první€ž");
        const QString shown = memo ? static_cast<DbMemo*>(editor)->toPlainText() : static_cast<DbEdit*>(editor)->text();
        QCOMPARE(shown, expected);
        QCOMPARE(fx.table->fieldByName(memo ? QStringLiteral("POZNAMKA") : QStringLiteral("NAZEV"))->asString(),
                 expected);
        QCOMPARE(sink.errors().size(), 1);
        QVERIFY(sink.errors().first().contains(QStringLiteral("Ж")));
        if (!memo)
            QCOMPARE(static_cast<DbEdit*>(editor)->cursorPosition(), int(expected.size()));
    }

    void numberRefusesTextItCannotTake() {
        test::WidgetFixture fx;
        RecordingTracker tracker;
        Form form;
        auto* count = form.add(new DbEdit);
        count->bind(fx.table.get(), QStringLiteral("POCET"));
        auto* amount = form.add(new DbEdit);
        amount->bind(fx.table.get(), QStringLiteral("CASTKA"));
        TForms::PrepareEditors(&form.window, true);
        form.show();
        Field* pocet = fx.table->fieldByName(QStringLiteral("POCET"));
        QCOMPARE(count->text(), QStringLiteral("10"));

        count->setFocus();
        count->setCursorPosition(1);
        typeText(count, QStringLiteral("a"));
        QCOMPARE(count->text(), QStringLiteral("10"));
        QCOMPARE(count->cursorPosition(), 1); // the caret went back
        QCOMPARE(pocet->asInteger(), 10);
        QVERIFY(tracker.calls.isEmpty()); // no reaction ran

        // The selection goes back as well.
        count->setSelection(0, 2);
        typeText(count, QStringLiteral("x"));
        QCOMPARE(count->text(), QStringLiteral("10"));
        QCOMPARE(count->selectedText(), QStringLiteral("10"));
        QCOMPARE(count->selectionStart(), 0);
        QVERIFY(tracker.calls.isEmpty());

        // A sign typed first stays on the screen until the number is complete.
        count->selectAll();
        typeText(count, QStringLiteral("-"));
        QCOMPARE(count->text(), QStringLiteral("-"));
        QCOMPARE(pocet->asInteger(), 10);
        typeText(count, QStringLiteral("5"));
        QCOMPARE(pocet->value(), QVariant(qlonglong(-5)));
        QCOMPARE(tracker.calls, (QStringList{QStringLiteral("ItemValueChanged POCET -5 <- 10"),
                                              QStringLiteral("DeriveValues POCET -5")}));

        // Emptied: NULL.
        tracker.calls.clear();
        QTest::keyClick(count, Qt::Key_Backspace);
        QTest::keyClick(count, Qt::Key_Backspace);
        QVERIFY(pocet->isNull());

        amount->setFocus();
        QCOMPARE(tracker.calls.last(), QStringLiteral("ItemExited POCET NULL"));
        typeText(amount, QStringLiteral("1,"));
        QVERIFY(fx.table->fieldByName(QStringLiteral("CASTKA"))->isNull() ||
                fx.table->fieldByName(QStringLiteral("CASTKA"))->asFloat() == 1.0);
        typeText(amount, QStringLiteral("25"));
        QCOMPARE(fx.table->fieldByName(QStringLiteral("CASTKA"))->asFloat(), 1.25);
        QCOMPARE(amount->text(), QStringLiteral("1,25"));
        // Left half-typed: back to what the field holds.
        count->setFocus();
        typeText(count, QStringLiteral("-"));
        amount->setFocus();
        QCOMPARE(count->text(), QString());
        QVERIFY(pocet->isNull());
    }

    void yesNoPairShowsOneColumn() {
        test::WidgetFixture fx;
        RecordingTracker tracker;
        Form form;
        auto* yes = form.add(new DbCheckBox(QStringLiteral("ano")));
        yes->setValues(true, QVariant());
        yes->bind(fx.table.get(), QStringLiteral("ODPOVED"));
        auto* no = form.add(new DbCheckBox(QStringLiteral("ne")));
        no->setValues(false, QVariant());
        no->bind(fx.table.get(), QStringLiteral("ODPOVED"));
        TForms::PrepareEditors(&form.window, true);
        form.show();
        Field* answer = fx.table->fieldByName(QStringLiteral("ODPOVED"));
        QVERIFY(answer->isNull());
        QVERIFY(!yes->isChecked() && !no->isChecked());

        clickBox(yes);
        QCOMPARE(answer->value(), QVariant(true));
        QVERIFY(yes->isChecked() && !no->isChecked());
        QCOMPARE(tracker.calls, (QStringList{QStringLiteral("ItemValueChanged ODPOVED Y <- NULL"),
                                              QStringLiteral("DeriveValues ODPOVED Y")}));

        clickBox(no);
        QCOMPARE(answer->value(), QVariant(false));
        QVERIFY(!yes->isChecked() && no->isChecked());

        // Unchecking the checked one stores NULL.
        clickBox(no);
        QVERIFY(answer->isNull());
        QVERIFY(!yes->isChecked() && !no->isChecked());

        // "x" toggles, Delete clears.
        yes->setFocus();
        QTest::keyClick(yes, Qt::Key_X);
        QCOMPARE(answer->value(), QVariant(true));
        QTest::keyClick(yes, Qt::Key_X);
        QVERIFY(answer->isNull());
        no->setFocus();
        QTest::keyClick(no, 'X', Qt::ShiftModifier);
        QCOMPARE(answer->value(), QVariant(false));
        yes->setFocus();
        QTest::keyClick(yes, Qt::Key_Delete); // Delete in the other box of the pair clears the column
        QVERIFY(answer->isNull());
        QVERIFY(!no->isChecked());

        // The stored bytes are the column's own encoding.
        fx.table->edit();
        answer->setValue(true);
        fx.table->post();
        QCOMPARE(TDBValue(fx, "SELECT ODPOVED FROM T WHERE ID = 1"), QStringLiteral("Y"));

        // Another row: the boxes follow.
        fx.table->next();
        QVERIFY(yes->isChecked());
    }

    void trackingOffNeverCallsTheCheckModel() {
        test::WidgetFixture fx;
        RecordingTracker tracker;
        Form form;
        auto* box = form.add(new DbCheckBox(QStringLiteral("ano")));
        box->setValues(true, QVariant());
        box->bind(fx.table.get(), QStringLiteral("ODPOVED"));
        auto* edit = form.add(new DbEdit);
        edit->bind(fx.table.get(), QStringLiteral("POCET"));
        auto* memo = form.add(new DbMemo);
        memo->bind(fx.table.get(), QStringLiteral("POZNAMKA"));
        TForms::PrepareEditors(&form.window, false);
        form.show();
        clickBox(box);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_X);
        QTest::keyClick(box, Qt::Key_X);
        edit->setFocus();
        typeText(edit, QStringLiteral("5"));
        memo->setFocus();
        typeText(memo, QStringLiteral("poznámka"));
        edit->setFocus();
        QCOMPARE(fx.table->fieldByName(QStringLiteral("ODPOVED"))->value(), QVariant(true));
        QCOMPARE(fx.table->fieldByName(QStringLiteral("POCET"))->asInteger(), 105);
        QCOMPARE(fx.table->fieldByName(QStringLiteral("POZNAMKA"))->asString(), QStringLiteral("poznámka"));
        QVERIFY(tracker.calls.isEmpty());

        // The same form prepared with tracking: the memo reports its change without derived values.
        TForms::PrepareEditors(&form.window, true);
        memo->setFocus();
        typeText(memo, QStringLiteral("!"));
        // Leaving the tracked number editor reports it; the memo reports its change without derived values.
        QCOMPARE(tracker.calls, (QStringList{QStringLiteral("ItemExited POCET 105"),
                                              QStringLiteral("ItemValueChanged POZNAMKA poznámka! <- poznámka")}));
        // Enter in a memo is a new line, not a move.
        QTest::keyClick(memo, Qt::Key_Return);
        QVERIFY(memo->hasFocus());
        QCOMPARE(memo->toPlainText(), QStringLiteral("poznámka!\n"));
    }

    // With tracking on, only check boxes, number/text editors and memos report to the check model; the
    // date picker and the lookup combo box write their field without any reaction.
    void trackedEditors_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("check box") << QStringLiteral("check box")
                                   << QStringList{QStringLiteral("ItemValueChanged ODPOVED Y <- NULL"),
                                                  QStringLiteral("DeriveValues ODPOVED Y")};
        QTest::newRow("number editor") << QStringLiteral("edit")
                                       << QStringList{QStringLiteral("ItemValueChanged POCET 107 <- 10"),
                                                      QStringLiteral("DeriveValues POCET 107"),
                                                      QStringLiteral("ItemExited POCET 107")};
        QTest::newRow("memo") << QStringLiteral("memo")
                              << QStringList{QStringLiteral("ItemValueChanged POZNAMKA a <- NULL")};
        QTest::newRow("date picker") << QStringLiteral("date") << QStringList{};
        QTest::newRow("lookup combo box") << QStringLiteral("lookup") << QStringList{};
    }
    void trackedEditors() {
        QFETCH(QString, kind);
        QFETCH(QStringList, calls);
        test::WidgetFixture fx;
        RecordingTracker tracker;
        Form form;
        QWidget* editor = nullptr;
        QString field;
        if (kind == QLatin1String("check box")) {
            auto* box = new DbCheckBox(QStringLiteral("ano"));
            box->setValues(true, QVariant());
            box->bind(fx.table.get(), field = QStringLiteral("ODPOVED"));
            editor = box;
        } else if (kind == QLatin1String("edit")) {
            auto* edit = new DbEdit;
            edit->bind(fx.table.get(), field = QStringLiteral("POCET"));
            editor = edit;
        } else if (kind == QLatin1String("memo")) {
            auto* memo = new DbMemo;
            memo->bind(fx.table.get(), field = QStringLiteral("POZNAMKA"));
            editor = memo;
        } else if (kind == QLatin1String("date")) {
            auto* date = new DbDateEdit;
            date->bind(fx.table.get(), field = QStringLiteral("DATUM"));
            editor = date;
        } else {
            auto* combo = new DbLookupComboBox;
            combo->setList(fx.list.get(), QStringLiteral("ID_TYP"), QStringLiteral("NAZEV"));
            combo->bind(fx.table.get(), field = QStringLiteral("ID_TYP"));
            editor = combo;
        }
        form.add(editor);
        auto* other = form.add(new QLineEdit);
        TForms::PrepareEditors(&form.window, true);
        form.show();
        Field* f = fx.table->fieldByName(field);
        const QVariant before = f->value();
        editor->setFocus();
        if (kind == QLatin1String("check box")) {
            QTest::keyClick(editor, Qt::Key_X);
        } else if (kind == QLatin1String("edit") || kind == QLatin1String("memo")) {
            if (kind == QLatin1String("edit")) {
                static_cast<DbEdit*>(editor)->end(false);
                typeText(static_cast<DbEdit*>(editor), QStringLiteral("7"));
            }
            else
                typeText(static_cast<DbMemo*>(editor), QStringLiteral("a"));
        } else if (kind == QLatin1String("date")) {
            static_cast<DbDateEdit*>(editor)->setDate(QDate(2024, 3, 5)); // as the calendar sets it
            QCOMPARE(f->asDate(), QDate(2024, 3, 5));
            QTest::keyClick(editor, Qt::Key_Delete);
        } else {
            QTest::keyClick(editor, Qt::Key_Up);
            QTest::keyClick(editor, Qt::Key_Delete);
        }
        other->setFocus(); // leaving the editor
        if (kind == QLatin1String("date") || kind == QLatin1String("lookup"))
            QVERIFY(f->isNull()); // written, then cleared by Delete
        else
            QVERIFY(f->value() != before);
        QCOMPARE(tracker.calls, calls);
    }

    // A reaction of the check model that fails: the mask editor swallows it and goes back to what the
    // field held; check box and memo report it, and every editor shows what its field holds.
    void failingReactionKeepsEditorAndField_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("errors");
        QTest::newRow("number editor") << QStringLiteral("edit") << 0;
        QTest::newRow("check box") << QStringLiteral("check box") << 1;
        QTest::newRow("memo") << QStringLiteral("memo") << 1;
    }
    void failingReactionKeepsEditorAndField() {
        QFETCH(QString, kind);
        QFETCH(int, errors);
        struct FailingTracker : RecordingTracker {
            void ItemValueChanged(Dataset* ds, Field* field, const QVariant& n, const QVariant& o) override {
                RecordingTracker::ItemValueChanged(ds, field, n, o);
                throw MeroError(QStringLiteral("Reakce selhala."));
            }
        } tracker;
        test::RecordingSink sink;
        test::WidgetFixture fx;
        Form form;
        QWidget* editor = nullptr;
        Field* f = nullptr;
        if (kind == QLatin1String("edit")) {
            auto* edit = new DbEdit;
            edit->bind(fx.table.get(), QStringLiteral("POCET"));
            editor = edit;
            f = fx.table->fieldByName(QStringLiteral("POCET"));
        } else if (kind == QLatin1String("check box")) {
            auto* box = new DbCheckBox(QStringLiteral("ano"));
            box->setValues(true, QVariant());
            box->bind(fx.table.get(), QStringLiteral("ODPOVED"));
            editor = box;
            f = fx.table->fieldByName(QStringLiteral("ODPOVED"));
        } else {
            auto* memo = new DbMemo;
            memo->bind(fx.table.get(), QStringLiteral("POZNAMKA"));
            editor = memo;
            f = fx.table->fieldByName(QStringLiteral("POZNAMKA"));
        }
        form.add(editor);
        TForms::PrepareEditors(&form.window, true);
        form.show();
        editor->setFocus();
        if (kind == QLatin1String("edit")) {
            auto* edit = static_cast<DbEdit*>(editor);
            edit->end(false);
            typeText(edit, QStringLiteral("7"));
            // The field took the number before the reaction failed: the text stays, the caret goes back.
            QCOMPARE(f->asInteger(), 107);
            QCOMPARE(edit->text(), QStringLiteral("107"));
            QCOMPARE(edit->cursorPosition(), 2);
        } else if (kind == QLatin1String("check box")) {
            QTest::keyClick(editor, Qt::Key_X);
            QCOMPARE(static_cast<DbCheckBox*>(editor)->isChecked(), f->value() == QVariant(true));
        } else {
            typeText(static_cast<DbMemo*>(editor), QStringLiteral("a"));
            QCOMPARE(static_cast<DbMemo*>(editor)->toPlainText(), f->asString());
        }
        QCOMPARE(tracker.calls.size(), 1);
        QCOMPARE(sink.errors().size(), errors);
    }

    void dateCanHoldNoDate() {
        test::WidgetFixture fx;
        Form form;
        auto* date = form.add(new DbDateEdit);
        date->bind(fx.table.get(), QStringLiteral("DATUM"));
        TForms::PrepareEditors(&form.window, false);
        form.show();
        QVERIFY(!date->value().isValid());
        QCOMPARE(date->text().trimmed(), QString());
        date->setFocus();
        date->setDate(QDate(2024, 3, 5)); // as the calendar sets it
        QCOMPARE(fx.table->fieldByName(QStringLiteral("DATUM"))->asDate(), QDate(2024, 3, 5));
        QCOMPARE(date->text(), QStringLiteral("5.3.2024"));
        fx.table->post();
        QCOMPARE(TDBValue(fx, "SELECT DATUM FROM T WHERE ID = 1"), QStringLiteral("2024-03-05"));
        QTest::keyClick(date, Qt::Key_Delete);
        QVERIFY(fx.table->fieldByName(QStringLiteral("DATUM"))->isNull());
        QVERIFY(!date->value().isValid());
        QCOMPARE(date->text().trimmed(), QString());
        fx.table->next();
        QVERIFY(!date->value().isValid());
    }

    void lookupComboBox() {
        test::WidgetFixture fx;
        Form form;
        auto* combo = form.add(new DbLookupComboBox);
        combo->setList(fx.list.get(), QStringLiteral("ID_TYP"), QStringLiteral("NAZEV"),
                       {QStringLiteral("NAZEV"), QStringLiteral("KOD")});
        combo->bind(fx.table.get(), QStringLiteral("ID_TYP"));
        combo->setEllipsisButton(true);
        TForms::PrepareEditors(&form.window, false);
        form.show();

        // Czech collation: "ch" after "h".
        QStringList order;
        for (int i = 0; i < combo->count(); ++i)
            order << combo->itemText(i);
        QCOMPARE(order, (QStringList{QStringLiteral("Brno"), QStringLiteral("Hodonín"), QStringLiteral("Cheb"),
                                     QStringLiteral("Chomutov"), QStringLiteral("Žatec")}));
        QCOMPARE(combo->model()->columnCount(), 2);
        QCOMPARE(combo->currentText(), QStringLiteral("Chomutov"));

        // Choosing writes the key.
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Up); // Cheb
        QCOMPARE(fx.table->fieldByName(QStringLiteral("ID_TYP"))->asInteger(), 5);
        QCOMPARE(combo->currentText(), QStringLiteral("Cheb"));
        // Delete: NULL.
        QTest::keyClick(combo, Qt::Key_Delete);
        QVERIFY(fx.table->fieldByName(QStringLiteral("ID_TYP"))->isNull());
        QCOMPARE(combo->currentIndex(), -1);
        fx.table->post();
        fx.table->next();
        QCOMPARE(combo->currentIndex(), -1);
        fx.table->first();
        QCOMPARE(combo->currentIndex(), -1);

        // The list changes: the box shows the new name.
        fx.table->edit();
        fx.table->fieldByName(QStringLiteral("ID_TYP"))->setValue(4);
        QCOMPARE(combo->currentText(), QStringLiteral("Brno"));
        fx.list->locate(QStringLiteral("ID_TYP"), {4});
        fx.list->edit();
        fx.list->fieldByName(QStringLiteral("NAZEV"))->setValue(QStringLiteral("Brno-město"));
        fx.list->post();
        QCOMPARE(combo->currentText(), QStringLiteral("Brno-město"));

        if (!qEnvironmentVariableIsEmpty("MERO_GRAB")) {
            auto* yes = form.add(new DbCheckBox(QStringLiteral("ano")));
            yes->setValues(true, QVariant());
            yes->bind(fx.table.get(), QStringLiteral("ODPOVED"));
            auto* date = form.add(new DbDateEdit);
            date->bind(fx.table.get(), QStringLiteral("DATUM"));
            auto* plain = form.add(new DbLookupComboBox);
            plain->setList(fx.list.get(), QStringLiteral("ID_TYP"), QStringLiteral("NAZEV"));
            plain->bind(fx.table.get(), QStringLiteral("ID_TYP"));
            plain->setButtonVisible(false);
            form.window.resize(320, 200);
            QCoreApplication::processEvents();
            form.window.grab().save(qEnvironmentVariable("MERO_GRAB") + QStringLiteral("/widgets.png"));
        }
        // "..." button.
        QSignalSpy ellipsis(combo, &DbLookupComboBox::ellipsisClicked);
        QVERIFY(combo->ellipsisButton()->isVisible());
        QTest::mouseClick(combo->ellipsisButton(), Qt::LeftButton);
        QCOMPARE(ellipsis.count(), 1);

        // Read-only: neither keys nor Delete change it, the list does not open.
        combo->setReadOnly(true);
        QTest::keyClick(combo, Qt::Key_Down);
        QTest::keyClick(combo, Qt::Key_Delete);
        QCOMPARE(fx.table->fieldByName(QStringLiteral("ID_TYP"))->asInteger(), 4);
        combo->showPopup();
        QVERIFY(!combo->view()->isVisible());
        QVERIFY(!combo->ellipsisButton()->isEnabled());

        // Without the button the box draws no arrow but still works.
        combo->setReadOnly(false);
        combo->setButtonVisible(false);
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(fx.table->fieldByName(QStringLiteral("ID_TYP"))->asInteger(), 3);
    }

private:
    static QString TDBValue(test::WidgetFixture& fx, const char* sql) {
        Statement st = fx.connection.prepare(QString::fromLatin1(sql));
        if (!st.step())
            return QStringLiteral("<none>");
        return st.value(0).toString();
    }
};

QTEST_MAIN(TestDbWidgets)
#include "test_db_widgets.moc"
