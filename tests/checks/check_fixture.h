#pragma once

// A small database of our own for the check tests: the five catalogue tables, the questionnaire
// tables with the columns the tests use, and one table dataset per questionnaire table.

#include "checks/check_module.h"
#include "data/connection.h"
#include "data/dataset.h"

#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace mero::test {

class CheckFixture {
public:
    CheckFixture();
    ~CheckFixture();

    // Catalogue rows (SQL inserts). Code texts: variant codes SUBJ01..SUBJ04.
    void item(int id, const QString& table, const QString& field, const QString& name,
              const QStringList& codes = {QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1"),
                                          QStringLiteral("1")});
    // KONTROLA row; extra is a map of further columns (ID_TYPVAZBY, MIN, ...), values as SQL literals.
    void check(int id, int type, int severity, int mainItem, const QString& text = QString(),
               const QMap<QString, QString>& extra = {}, const QString& subjectType = QStringLiteral("NULL"));
    void related(int checkId, const QList<int>& items);
    void exec(const QString& sql);

    // Opens the questionnaire datasets on their rows and loads the catalogue into a new module.
    void load();

    Dataset* table(const QString& name) const { return m_tables.value(name); }
    Field* field(const QString& table, const QString& field) const;
    // Puts the dataset into edit state (appends a row when it has none).
    void edit(const QString& table);
    // Sets a value through the dataset (edit state is entered when needed).
    void set(const QString& table, const QString& field, const QVariant& value);
    QVariant get(const QString& table, const QString& field) const;

    TCheckModule& module() { return *m_module; }
    TPolozka* itemById(int id) { return m_module->Items().FindById(id); }
    TKontrolaZaklad* checkById(int id) { return m_module->Checks().FindById(id); }
    Connection& connection() { return m_connection; }
    QString path() const { return m_dir.filePath(QStringLiteral("checks.db3")); }

    // The columns of the questionnaire tables of the fixture.
    static QStringList questionnaireTables();

private:
    QTemporaryDir m_dir;
    Connection m_connection;
    QMap<QString, Dataset*> m_tables;
    std::vector<std::unique_ptr<Dataset>> m_owned;
    std::unique_ptr<TCheckModule> m_module;
};

} // namespace mero::test
