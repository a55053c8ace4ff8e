#pragma once

// Small helpers of the GUI tests: a table of every field kind in a real SQLite file, typed keys that
// carry any character, and a recording check model.

#include "checks/change_tracking.h"
#include "data/connection.h"
#include "data/dataset.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

namespace mero::test {

struct WidgetFixture {
    QTemporaryDir dir;
    Connection connection;
    std::unique_ptr<Dataset> table;
    std::unique_ptr<Dataset> list;

    WidgetFixture() {
        connection.open(dir.filePath(QStringLiteral("data.db3")), Connection::OpenMode::Create);
        connection.execute(QStringLiteral(
            "CREATE TABLE T (ID INTEGER PRIMARY KEY, NAZEV VARCHAR(20), POCET INTEGER, CASTKA NUMERIC, "
            "ODPOVED BOOLEAN, DATUM DATE, POZNAMKA TEXT, ID_TYP INTEGER);"
            "INSERT INTO T (ID, NAZEV, POCET, ODPOVED, ID_TYP) VALUES (1, 'první', 10, NULL, 2);"
            "INSERT INTO T (ID, NAZEV, POCET, ODPOVED, ID_TYP) VALUES (2, 'druhý', 20, 'Y', NULL);"
            "CREATE TABLE TYP (ID_TYP INTEGER PRIMARY KEY, NAZEV VARCHAR(40), KOD VARCHAR(5));"
            "INSERT INTO TYP VALUES (1, 'Žatec', 'ZT');"
            "INSERT INTO TYP VALUES (2, 'Chomutov', 'CV');"
            "INSERT INTO TYP VALUES (3, 'Hodonín', 'HO');"
            "INSERT INTO TYP VALUES (4, 'Brno', 'BM');"
            "INSERT INTO TYP VALUES (5, 'Cheb', 'CH');"));
        table = std::make_unique<Dataset>(QStringLiteral("TblT"));
        table->setConnection(&connection);
        table->setTableName(QStringLiteral("T"));
        table->open();
        list = std::make_unique<Dataset>(QStringLiteral("TblTYP"));
        list->setConnection(&connection);
        list->setTableName(QStringLiteral("TYP"));
        list->open();
    }
};

// Types text into the focused widget, one key event per character (any character, not only ASCII).
inline void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

// Records every call of the check model; installs itself for its lifetime.
class RecordingTracker : public ChangeTracker {
public:
    RecordingTracker() : m_previous(ChangeTracker::setCurrent(this)) {}
    ~RecordingTracker() override { ChangeTracker::setCurrent(m_previous); }

    void ItemValueChanged(Dataset*, Field* field, const QVariant& newValue, const QVariant& oldValue) override {
        calls << QStringLiteral("ItemValueChanged %1 %2 <- %3").arg(field->name(), text(newValue), text(oldValue));
    }
    void DeriveValues(Dataset*, Field* field, const QVariant& value) override {
        calls << QStringLiteral("DeriveValues %1 %2").arg(field->name(), text(value));
    }
    void ItemExited(Dataset*, Field* field, const QVariant& value) override {
        calls << QStringLiteral("ItemExited %1 %2").arg(field->name(), text(value));
    }

    static QString text(const QVariant& v) {
        if (v.isNull())
            return QStringLiteral("NULL");
        if (v.typeId() == QMetaType::Bool)
            return v.toBool() ? QStringLiteral("Y") : QStringLiteral("N");
        return v.toString();
    }

    QStringList calls;

private:
    ChangeTracker* m_previous;
};

} // namespace mero::test
