// The shared editor conventions: Enter moves on (out of a group box too), the key handlers, the hover
// border, the wheel rule.

#include "app/editor_conventions.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtTest>

using namespace mero;

class TestEditorConventions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void enterMovesToTheNextControl() {
        QWidget form;
        auto* layout = new QVBoxLayout(&form);
        auto* first = new QLineEdit(&form);
        first->setObjectName(QStringLiteral("first"));
        auto* group = new QGroupBox(QStringLiteral("Skupina"), &form);
        auto* inner = new QVBoxLayout(group);
        auto* a = new QLineEdit(group);
        a->setObjectName(QStringLiteral("a"));
        auto* disabled = new QLineEdit(group);
        disabled->setEnabled(false);
        auto* b = new QCheckBox(QStringLiteral("b"), group);
        b->setObjectName(QStringLiteral("b"));
        inner->addWidget(a);
        inner->addWidget(disabled);
        inner->addWidget(b);
        auto* hidden = new QLineEdit(&form);
        hidden->hide();
        auto* after = new QLineEdit(&form);
        after->setObjectName(QStringLiteral("after"));
        auto* memo = new QPlainTextEdit(&form);
        layout->addWidget(first);
        layout->addWidget(group);
        layout->addWidget(hidden);
        layout->addWidget(after);
        layout->addWidget(memo);
        TForms::PrepareEditors(&form, false);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));

        QSignalSpy returned(first, &QLineEdit::returnPressed);
        first->setFocus();
        QTest::keyClick(first, Qt::Key_Return);
        QCOMPARE(returned.count(), 0); // swallowed
        QCOMPARE(QApplication::focusWidget(), a); // into the group box, its first control
        QTest::keyClick(a, Qt::Key_Enter);
        QCOMPARE(QApplication::focusWidget(), b); // the disabled control is skipped
        QTest::keyClick(b, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), after); // out of the group box; the hidden one stays hidden
        QVERIFY(hidden->isHidden());
        QTest::keyClick(after, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), memo);

        // The last control: nothing after it, the focus stays.
        FocusNext(memo);
        QCOMPARE(QApplication::focusWidget(), memo);
        FocusNext(nullptr);
        FocusNext(&form);

        // An explicit tab order wins over the order of creation.
        QWidget::setTabOrder(first, after);
        first->setFocus();
        QTest::keyClick(first, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), after);
    }

    void checkBoxKeysAndHoverBorder() {
        QWidget form;
        auto* layout = new QVBoxLayout(&form);
        auto* box = new QCheckBox(QStringLiteral("ano"), &form);
        auto* edit = new QLineEdit(&form);
        auto* memo = new QPlainTextEdit(&form);
        layout->addWidget(box);
        layout->addWidget(edit);
        layout->addWidget(memo);
        TForms::PrepareEditors(&form, false);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        // "x" toggles only a data-bound check box; a plain one stays as it is.
        box->setFocus();
        QTest::keyClick(box, Qt::Key_X);
        QVERIFY(!box->isChecked());
        QTest::keyClick(box, 'X', Qt::ShiftModifier);
        QVERIFY(!box->isChecked());
        // Every editor of the family shows the border on hover, check boxes and memos included.
        for (QWidget* w : std::initializer_list<QWidget*>{box, edit, memo}) {
            QVERIFY(w->styleSheet().contains(QStringLiteral(":hover { border: 1px solid %1")
                                                  .arg(w->palette().color(QPalette::Dark).name())));
            QVERIFY(w->testAttribute(Qt::WA_Hover));
        }
        QVERIFY(edit->styleSheet().contains(QStringLiteral(":hover")));
        QVERIFY(edit->styleSheet().contains(edit->palette().color(QPalette::Dark).name()));
        QVERIFY(memo->styleSheet().contains(QStringLiteral(":hover"))); // memos get the border too
        QVERIFY(edit->testAttribute(Qt::WA_Hover));
        // "x" in a line edit is a letter.
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_X);
        QCOMPARE(edit->text(), QStringLiteral("x"));
        // Prepared twice: still one border rule.
        TForms::PrepareEditors(&form, false);
        QCOMPARE(edit->styleSheet().count(QStringLiteral(":hover")), 1);
    }

    void wheelScrollsOneLine_data() {
        QTest::addColumn<int>("delta");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<int>("dy");
        QTest::addColumn<int>("dx");
        QTest::newRow("delta 0 scrolls down") << 0 << false << 1 << 0;
        QTest::newRow("negative down") << -120 << false << 1 << 0;
        QTest::newRow("large negative still one line") << -720 << false << 1 << 0;
        QTest::newRow("positive up") << 120 << false << -1 << 0;
        QTest::newRow("shift: horizontal right") << -120 << true << 0 << 1;
        QTest::newRow("shift: horizontal left") << 120 << true << 0 << -1;
    }
    void wheelScrollsOneLine() {
        QFETCH(int, delta);
        QFETCH(bool, shift);
        QFETCH(int, dy);
        QFETCH(int, dx);
        QScrollArea area;
        auto* content = new QWidget;
        content->setFixedSize(2000, 2000);
        area.setWidget(content);
        area.resize(300, 300);
        TEventHandlers::InstallMouseWheel(&area);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        QScrollBar* v = area.verticalScrollBar();
        QScrollBar* h = area.horizontalScrollBar();
        v->setValue(500);
        h->setValue(500);
        QSignalSpy ended(TEventHandlers::instance(), &TEventHandlers::scrollEnded);
        const QPoint pos(50, 50);
        QWheelEvent event(pos, area.viewport()->mapToGlobal(pos), QPoint(), shift ? QPoint(0, delta) : QPoint(0, delta),
                          Qt::NoButton, shift ? Qt::ShiftModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
        event.setAccepted(false);
        QApplication::sendEvent(area.viewport(), &event);
        QVERIFY(event.isAccepted());
        QCOMPARE(v->value(), 500 + dy * v->singleStep());
        QCOMPARE(h->value(), 500 + dx * h->singleStep());
        QCOMPARE(ended.count(), 1);
    }
};

QTEST_MAIN(TestEditorConventions)
#include "test_editor_conventions.moc"
