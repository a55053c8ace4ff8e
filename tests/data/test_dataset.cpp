#include "data/connection.h"
#include "data/dataset.h"
#include "data/dataset_model.h"
#include "data/errors.h"
#include "data/sql_utils.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace mero;

class TestDataset : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void fieldTypesFromDeclaredTypes_data();
    void fieldTypesFromDeclaredTypes();
    void statesPostCancel();
    void appendPostAndCancel();
    void refusedValueKeepsField_data();
    void refusedValueKeepsField();
    void textTooLongOrNotEncodable();
    void acceptedConversions_data();
    void acceptedConversions();
    void deleteRecord();
    void failedPostKeepsState();
    void eventsOrder();
    void calculatedFieldsAndAutoCalc();
    void lookupField();
    void filter();
    void masterDetail();
    void queryWrittenThroughStatements();
    void readOnlyQueryRefusesChanges();
    void refreshKeepsRecord();
    void locateAndLookup();
    void sortByCzechCollation();
    void signals_();
    void disableControls();
    void modelUnderTester();
    void modelEdits();

private:
    QTemporaryDir* m_dir = nullptr;
    Connection* m_conn = nullptr;
    Dataset* table(const QString& name);
};

void TestDataset::init() {
    m_dir = new QTemporaryDir;
    m_conn = new Connection;
    m_conn->open(m_dir->filePath(QStringLiteral("t.db3")), Connection::OpenMode::Create);
    m_conn->execute(QStringLiteral(R"(
BEGIN;
CREATE TABLE T (ID INTEGER PRIMARY KEY, NAZEV VARCHAR(10), POZN TEXT, CISLO NUMERIC, POCET INTEGER,
  ANO BOOLEAN, DATUM DATE, KDY DATETIME);
INSERT INTO T VALUES (1, 'Alfa', NULL, 1.5, 10, 'Y', '2009-03-05', '2009-03-05 14:30:00');
INSERT INTO T VALUES (2, 'Beta', 'x', NULL, NULL, 'N', NULL, NULL);
INSERT INTO T VALUES (3, 'Gama', NULL, 2, 30, NULL, NULL, NULL);
CREATE TABLE M (ID_M INTEGER, INST INTEGER, NAZEV VARCHAR(20));
INSERT INTO M VALUES (1, 9, 'první'), (2, 9, 'druhý'), (3, 9, 'třetí');
CREATE TABLE D (ID_D INTEGER PRIMARY KEY, ID_M INTEGER, INST INTEGER, TXT VARCHAR(40));
INSERT INTO D VALUES (1, 1, 9, 'a'), (2, 1, 9, 'b'), (3, 2, 9, 'c'), (4, 1, 8, 'jiný');
COMMIT;
)"));
}

void TestDataset::cleanup() {
    delete m_conn;
    delete m_dir;
}

Dataset* TestDataset::table(const QString& name) {
    auto* ds = new Dataset(QStringLiteral("Tbl") + name, this);
    ds->setConnection(m_conn);
    ds->setTableName(name);
    return ds;
}

void TestDataset::fieldTypesFromDeclaredTypes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::newRow("integer") << "POCET" << int(FieldType::Integer) << 0;
    QTest::newRow("varchar") << "NAZEV" << int(FieldType::Text) << 10;
    QTest::newRow("text") << "POZN" << int(FieldType::Memo) << 0;
    QTest::newRow("numeric") << "CISLO" << int(FieldType::Decimal) << 0;
    QTest::newRow("boolean") << "ANO" << int(FieldType::YesNo) << 0;
    QTest::newRow("date") << "DATUM" << int(FieldType::Date) << 0;
    QTest::newRow("datetime") << "KDY" << int(FieldType::DateTime) << 0;
}

void TestDataset::fieldTypesFromDeclaredTypes() {
    QFETCH(QString, name);
    QFETCH(int, type);
    QFETCH(int, size);
    Dataset* t = table(QStringLiteral("T"));
    t->open();
    Field* f = t->fieldByName(name);
    QCOMPARE(int(f->type()), type);
    QCOMPARE(f->size(), size);
}

void TestDataset::statesPostCancel() {
    Dataset* t = table(QStringLiteral("T"));
    QCOMPARE(t->state(), DatasetState::Inactive);
    t->open();
    QCOMPARE(t->state(), DatasetState::Browse);
    QCOMPARE(t->recordCount(), 3);
    Field* nazev = t->fieldByName(QStringLiteral("nazev"));
    QVERIFY_THROWS_EXCEPTION(DbError, nazev->setValue(QStringLiteral("x")));
    t->edit();
    QCOMPARE(t->state(), DatasetState::Edit);
    QVERIFY(!t->isModified());
    nazev->setValue(QStringLiteral("Alef"));
    QVERIFY(t->isModified());
    t->cancel();
    QCOMPARE(t->state(), DatasetState::Browse);
    QCOMPARE(nazev->asString(), QStringLiteral("Alfa"));
    t->edit();
    nazev->setValue(QStringLiteral("Alef"));
    t->fieldByName(QStringLiteral("ANO"))->setValue(false);
    t->post();
    QCOMPARE(t->state(), DatasetState::Browse);
    QVERIFY(!t->isModified());
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT NAZEV || ANO FROM T WHERE ID = 1")).toString(), QStringLiteral("AlefN"));
    // Moving while editing posts first.
    t->edit();
    nazev->setValue(QStringLiteral("Alfa"));
    t->next();
    QCOMPARE(t->state(), DatasetState::Browse);
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT NAZEV FROM T WHERE ID = 1")).toString(), QStringLiteral("Alfa"));
}

void TestDataset::appendPostAndCancel() {
    Dataset* t = table(QStringLiteral("T"));
    t->open();
    t->setRecNo(1);
    t->append();
    QCOMPARE(t->state(), DatasetState::Insert);
    QCOMPARE(t->recordCount(), 4);
    QCOMPARE(t->recNo(), 3);
    QVERIFY(t->fieldByName(QStringLiteral("ID"))->isNull());
    t->cancel();
    QCOMPARE(t->recordCount(), 3);
    QCOMPARE(t->recNo(), 1);
    t->append();
    t->fieldByName(QStringLiteral("NAZEV"))->setValue(QStringLiteral("Delta"));
    t->fieldByName(QStringLiteral("DATUM"))->setValue(QDate(2020, 1, 2));
    t->post();
    // The row was read back: the database's key is there.
    QCOMPARE(t->fieldByName(QStringLiteral("ID"))->asInteger(), 4);
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT DATUM FROM T WHERE NAZEV = 'Delta'")).toString(), QStringLiteral("2020-01-02"));
    QCOMPARE(t->recordCount(), 4);
    QVERIFY(t->locate(QStringLiteral("NAZEV"), {QStringLiteral("Delta")}));
}

void TestDataset::refusedValueKeepsField_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("letters in integer") << "POCET" << QVariant(QStringLiteral("12a"));
    QTest::newRow("fraction in integer") << "POCET" << QVariant(2.5);
    QTest::newRow("decimal text in integer") << "POCET" << QVariant(QStringLiteral("1,5"));
    QTest::newRow("letters in decimal") << "CISLO" << QVariant(QStringLiteral("abc"));
    QTest::newRow("two commas") << "CISLO" << QVariant(QStringLiteral("1,2,3"));
    QTest::newRow("yes/no text") << "ANO" << QVariant(QStringLiteral("ano"));
    QTest::newRow("bad date") << "DATUM" << QVariant(QStringLiteral("31.2.2009"));
    QTest::newRow("date garbage") << "DATUM" << QVariant(QStringLiteral("zítra"));
}

void TestDataset::refusedValueKeepsField() {
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    Dataset* t = table(QStringLiteral("T"));
    t->open();
    t->edit();
    Field* f = t->fieldByName(field);
    const QVariant before = f->value();
    QSignalSpy changed(t, &Dataset::valueChanged);
    QString message;
    QVERIFY(!f->canAccept(value, &message));
    QVERIFY(!message.isEmpty());
    QVERIFY_THROWS_EXCEPTION(FieldValueError, f->setValue(value));
    QCOMPARE(f->value(), before);
    QVERIFY(!t->isModified());
    QCOMPARE(changed.count(), 0);
}

void TestDataset::textTooLongOrNotEncodable() {
    Dataset* t = table(QStringLiteral("T"));
    t->open();
    t->edit();
    Field* f = t->fieldByName(QStringLiteral("NAZEV"));
    QVERIFY_THROWS_EXCEPTION(FieldValueError, f->setValue(QStringLiteral("12345678901")));
    f->setValue(QStringLiteral("1234567890"));
    QVERIFY_THROWS_EXCEPTION(EncodingError, f->setValue(QStringLiteral("snowman ☃")));
    QCOMPARE(f->asString(), QStringLiteral("1234567890"));
    f->setValue(QStringLiteral("Žluťoučký"));
    t->post();
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT NAZEV FROM T WHERE ID = 1")).toString(), QStringLiteral("Žluťoučký"));
}

void TestDataset::acceptedConversions_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<QString>("stored");
    QTest::newRow("integer") << "POCET" << " 42 " << QVariant(qlonglong(42)) << "42";
    QTest::newRow("negative") << "POCET" << "-7" << QVariant(qlonglong(-7)) << "-7";
    QTest::newRow("decimal comma") << "CISLO" << "12,5" << QVariant(12.5) << "12.5";
    QTest::newRow("decimal point") << "CISLO" << "0.25" << QVariant(0.25) << "0.25";
    QTest::newRow("empty gives NULL") << "CISLO" << "" << QVariant() << "";
    QTest::newRow("yes") << "ANO" << "Y" << QVariant(true) << "Y";
    QTest::newRow("iso date") << "DATUM" << "2009-03-05" << QVariant(QDate(2009, 3, 5)) << "2009-03-05";
    QTest::newRow("czech date") << "DATUM" << "5.3.2009" << QVariant(QDate(2009, 3, 5)) << "2009-03-05";
    QTest::newRow("datetime") << "KDY" << "2009-03-05 14:30:00" << QVariant(QDateTime(QDate(2009, 3, 5), QTime(14, 30)))
                              << "2009-03-05 14:30:00";
}

void TestDataset::acceptedConversions() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QVariant, expected);
    QFETCH(QString, stored);
    Dataset* t = table(QStringLiteral("T"));
    t->open();
    t->edit();
    Field* f = t->fieldByName(field);
    f->setAsString(text);
    QCOMPARE(f->value(), expected);
    t->post();
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT %1 FROM T WHERE ID = 1").arg(field)).toString(), stored);
    QCOMPARE(f->asString(), stored);
}

void TestDataset::deleteRecord() {
    Dataset* t = table(QStringLiteral("T"));
    t->open();
    t->setRecNo(1);
    t->deleteRecord();
    QCOMPARE(t->recordCount(), 2);
    QCOMPARE(t->fieldByName(QStringLiteral("NAZEV"))->asString(), QStringLiteral("Gama"));
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT count(*) FROM T")).toInt(), 2);
    t->last();
    t->deleteRecord();
    QCOMPARE(t->recNo(), 0);
    t->deleteRecord();
    QVERIFY(t->isEmpty());
    QCOMPARE(t->recNo(), -1);
    QVERIFY(t->eof() && t->bof());
    QVERIFY_THROWS_EXCEPTION(DbError, t->deleteRecord());
}

void TestDataset::failedPostKeepsState() {
    m_conn->execute(QStringLiteral("CREATE TRIGGER NO_X BEFORE UPDATE ON T WHEN NEW.NAZEV = 'X' BEGIN SELECT RAISE(ABORT, 'ne'); END"));
    Dataset* t = table(QStringLiteral("T"));
    t->open();
    t->edit();
    t->fieldByName(QStringLiteral("NAZEV"))->setValue(QStringLiteral("X"));
    QVERIFY_THROWS_EXCEPTION(DbError, t->post());
    QCOMPARE(t->state(), DatasetState::Edit);
    QCOMPARE(t->fieldByName(QStringLiteral("NAZEV"))->asString(), QStringLiteral("X"));
    // A silent abort from an event cancels the post the same way.
    t->BeforePost = [](Dataset&) { throw SilentAbort(); };
    t->fieldByName(QStringLiteral("NAZEV"))->setValue(QStringLiteral("Y"));
    QVERIFY_THROWS_EXCEPTION(SilentAbort, t->post());
    QCOMPARE(t->state(), DatasetState::Edit);
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT NAZEV FROM T WHERE ID = 1")).toString(), QStringLiteral("Alfa"));
}

void TestDataset::eventsOrder() {
    Dataset* t = table(QStringLiteral("T"));
    QStringList log;
    t->AfterOpen = [&](Dataset&) { log << "AfterOpen"; };
    t->AfterInsert = [&](Dataset& ds) {
        log << "AfterInsert";
        ds.fieldByName(QStringLiteral("POCET"))->setValue(99);
    };
    t->BeforePost = [&](Dataset& ds) { log << QStringLiteral("BeforePost %1").arg(ds.fieldByName(QStringLiteral("POCET"))->asInteger()); };
    t->AfterPost = [&](Dataset&) { log << "AfterPost"; };
    t->BeforeDelete = [&](Dataset&) { log << "BeforeDelete"; };
    t->AfterDelete = [&](Dataset&) { log << "AfterDelete"; };
    t->AfterCancel = [&](Dataset&) { log << "AfterCancel"; };
    t->AfterRefresh = [&](Dataset&) { log << "AfterRefresh"; };
    t->open();
    t->append();
    QVERIFY(t->isModified());
    t->post();
    t->edit();
    t->cancel();
    t->deleteRecord();
    t->refresh();
    QCOMPARE(log, (QStringList{"AfterOpen", "AfterInsert", "BeforePost 99", "AfterPost", "AfterCancel", "BeforeDelete",
                               "AfterDelete", "AfterRefresh"}));
}

void TestDataset::calculatedFieldsAndAutoCalc() {
    Dataset* t = table(QStringLiteral("T"));
    TDB::EnsureFields(t);
    QCOMPARE(t->fieldCount(), 8);
    TDB::AddCalcField(t, QStringLiteral("POPIS"), 8, int(FieldType::Text));
    int calls = 0;
    t->OnCalcFields = [&calls](Dataset& ds) {
        ++calls;
        ds.fieldByName(QStringLiteral("POPIS"))
            ->setValue(ds.fieldByName(QStringLiteral("NAZEV"))->asString() + QLatin1Char('-') +
                       ds.fieldByName(QStringLiteral("POCET"))->asString());
    };
    t->open();
    QCOMPARE(t->fieldCount(), 9);
    QCOMPARE(t->fieldByName(QStringLiteral("POPIS"))->asString(), QStringLiteral("Alfa-10"));
    t->next();
    QCOMPARE(t->fieldByName(QStringLiteral("POPIS"))->asString(), QStringLiteral("Beta-"));
    t->next();
    // Cut to the width.
    QCOMPARE(t->fieldByName(QStringLiteral("POPIS"))->asString(), QStringLiteral("Gama-30"));
    QVERIFY_THROWS_EXCEPTION(DbError, t->fieldByName(QStringLiteral("POPIS"))->setValue(QStringLiteral("x")));
    t->edit();
    t->fieldByName(QStringLiteral("POCET"))->setValue(12345);
    QCOMPARE(t->fieldByName(QStringLiteral("POPIS"))->asString(), QStringLiteral("Gama-123"));
    t->setAutoCalcFields(false);
    const int before = calls;
    t->fieldByName(QStringLiteral("POCET"))->setValue(7);
    QCOMPARE(calls, before);
    QCOMPARE(t->fieldByName(QStringLiteral("POPIS"))->asString(), QStringLiteral("Gama-123"));
    t->post();
    QCOMPARE(t->fieldByName(QStringLiteral("POPIS"))->asString(), QStringLiteral("Gama-7"));
}

void TestDataset::lookupField() {
    Dataset* m = table(QStringLiteral("M"));
    Dataset* d = table(QStringLiteral("D"));
    TDB::AddLookupField(d, QStringLiteral("MNAZEV"), QStringLiteral("NAZEV"), QStringLiteral("ID_M;INST"),
                        QStringLiteral("ID_M;INST"), m, 20, int(FieldType::Text));
    m->open();
    d->open();
    Field* f = d->fieldByName(QStringLiteral("MNAZEV"));
    QCOMPARE(f->kind(), FieldKind::Lookup);
    QCOMPARE(f->asString(), QStringLiteral("první"));
    d->setRecNo(2);
    QCOMPARE(f->asString(), QStringLiteral("druhý"));
    d->setRecNo(3);
    QVERIFY(f->isNull());
    QCOMPARE(d->valueAt(0, f->index()).toString(), QStringLiteral("první"));
    // The lookup follows an edited key at once.
    d->edit();
    QSignalSpy changed(d, &Dataset::valueChanged);
    d->fieldByName(QStringLiteral("INST"))->setValue(9);
    QCOMPARE(f->asString(), QStringLiteral("první"));
    QVERIFY(changed.count() >= 2);
}

void TestDataset::filter() {
    Dataset* t = table(QStringLiteral("T"));
    t->open();
    const int pocet = t->fieldByName(QStringLiteral("POCET"))->index();
    t->setFilter([pocet](const Dataset& ds, int row) { return !ds.valueAt(row, pocet).isNull(); });
    QVERIFY(t->isFiltered());
    QCOMPARE(t->recordCount(), 2);
    t->last();
    QCOMPARE(t->fieldByName(QStringLiteral("NAZEV"))->asString(), QStringLiteral("Gama"));
    QVERIFY(!t->locate(QStringLiteral("NAZEV"), {QStringLiteral("Beta")}));
    t->setFilter([](const Dataset& ds, int) { return ds.fieldByName(QStringLiteral("ANO"))->asBoolean(); });
    QCOMPARE(t->recordCount(), 1);
    t->clearFilter();
    QCOMPARE(t->recordCount(), 3);
    QVERIFY(t->locate(QStringLiteral("NAZEV"), {QStringLiteral("Beta")}));
}

void TestDataset::masterDetail() {
    Dataset* m = table(QStringLiteral("M"));
    Dataset* d = table(QStringLiteral("D"));
    m->open();
    d->open();
    TDB::LinkDetail(d, m, QStringLiteral("ID_M;INST"), QStringLiteral("ID_M;INST"));
    QCOMPARE(d->master(), m);
    QCOMPARE(d->recordCount(), 2);
    m->next();
    QCOMPARE(d->recordCount(), 1);
    QCOMPARE(d->fieldByName(QStringLiteral("TXT"))->asString(), QStringLiteral("c"));
    m->next();
    QVERIFY(d->isEmpty());
    // A new detail row takes the master's key.
    m->first();
    d->append();
    QCOMPARE(d->fieldByName(QStringLiteral("ID_M"))->asInteger(), 1);
    QCOMPARE(d->fieldByName(QStringLiteral("INST"))->asInteger(), 9);
    d->fieldByName(QStringLiteral("TXT"))->setValue(QStringLiteral("nový"));
    // Moving the master posts the detail.
    m->next();
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT count(*) FROM D WHERE ID_M = 1 AND INST = 9")).toInt(), 3);
    m->first();
    QCOMPARE(d->recordCount(), 3);
    // The detail follows a master refresh and an edit of the master's key.
    m->edit();
    m->fieldByName(QStringLiteral("INST"))->setValue(8);
    m->post();
    QCOMPARE(d->recordCount(), 1);
    QCOMPARE(d->fieldByName(QStringLiteral("TXT"))->asString(), QStringLiteral("jiný"));
    TDB::LinkDetail(d, nullptr, QString(), QString());
    QCOMPARE(d->recordCount(), 5);
}

void TestDataset::queryWrittenThroughStatements() {
    auto* q = new Dataset(QStringLiteral("Q"), this);
    q->setConnection(m_conn);
    q->setSql(QStringLiteral("SELECT D.ID_D, D.TXT, M.NAZEV AS MNAZEV, D.ID_M FROM D LEFT JOIN M ON M.ID_M = D.ID_M AND M.INST = D.INST"));
    q->setInsertSql(QStringLiteral("INSERT INTO D (ID_M, INST, TXT) VALUES (:ID_M, 9, :TXT)"));
    q->setModifySql(QStringLiteral("UPDATE D SET TXT = :TXT WHERE ID_D = :OLD_ID_D"));
    q->setDeleteSql(QStringLiteral("DELETE FROM D WHERE ID_D = :OLD_ID_D"));
    q->setKeyFields(QStringLiteral("ID_D"));
    q->setInsertRowIdField(QStringLiteral("ID_D"));
    q->open();
    QVERIFY(!q->isReadOnly());
    QCOMPARE(q->recordCount(), 4);
    QVERIFY(q->locate(QStringLiteral("ID_D"), {3}));
    q->edit();
    q->fieldByName(QStringLiteral("TXT"))->setValue(QStringLiteral("O'Neil'); DROP TABLE M; --"));
    // Changing the key in the row does not redirect the statement: OLD_ reads the value as read.
    q->fieldByName(QStringLiteral("ID_D"))->setValue(1);
    q->post();
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT TXT FROM D WHERE ID_D = 3")).toString(),
             QStringLiteral("O'Neil'); DROP TABLE M; --"));
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT TXT FROM D WHERE ID_D = 1")).toString(), QStringLiteral("a"));
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT count(*) FROM M")).toInt(), 3);
    q->append();
    q->fieldByName(QStringLiteral("ID_M"))->setValue(2);
    q->fieldByName(QStringLiteral("TXT"))->setValue(QStringLiteral("d"));
    q->post();
    QCOMPARE(q->fieldByName(QStringLiteral("ID_D"))->asInteger(), 5);
    q->refresh();
    QCOMPARE(q->fieldByName(QStringLiteral("ID_D"))->asInteger(), 5);
    QCOMPARE(q->fieldByName(QStringLiteral("MNAZEV"))->asString(), QStringLiteral("druhý"));
    q->deleteRecord();
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT count(*) FROM D")).toInt(), 4);
}

void TestDataset::readOnlyQueryRefusesChanges() {
    std::unique_ptr<Dataset> q = TDB::OpenQuery(m_conn, QStringLiteral("SELECT ID_M, NAZEV FROM M ORDER BY ID_M DESC"));
    QVERIFY(q);
    QCOMPARE(q->recNo(), 0);
    QCOMPARE(q->fieldByName(QStringLiteral("ID_M"))->asInteger(), 3);
    QVERIFY(q->isReadOnly());
    QVERIFY_THROWS_EXCEPTION(DbError, q->edit());
    QVERIFY_THROWS_EXCEPTION(DbError, q->append());
    QVERIFY_THROWS_EXCEPTION(DbError, q->deleteRecord());
    QVERIFY(!TDB::OpenQuery(m_conn, QStringLiteral("SELECT * FROM NOWHERE")));
    QVERIFY(!TDB::OpenQuery(nullptr, QStringLiteral("SELECT 1")));
    // Expression columns take the type of their values.
    auto e = TDB::OpenQuery(m_conn, QStringLiteral("SELECT count(*) AS N, 1.5 AS R, 'a' || 'b' AS S FROM M"));
    QCOMPARE(e->fieldByName(QStringLiteral("N"))->type(), FieldType::Integer);
    QCOMPARE(e->fieldByName(QStringLiteral("R"))->type(), FieldType::Decimal);
    QCOMPARE(e->fieldByName(QStringLiteral("S"))->type(), FieldType::Memo);
}

void TestDataset::refreshKeepsRecord() {
    Dataset* t = table(QStringLiteral("T"));
    t->open();
    t->setRecNo(2);
    m_conn->execute(QStringLiteral("DELETE FROM T WHERE ID = 1; UPDATE T SET NAZEV = 'Gamma' WHERE ID = 3"));
    t->refresh();
    QCOMPARE(t->recordCount(), 2);
    QCOMPARE(t->recNo(), 1);
    QCOMPARE(t->fieldByName(QStringLiteral("NAZEV"))->asString(), QStringLiteral("Gamma"));
    // A record that is gone: the same position, within the rows left.
    m_conn->execute(QStringLiteral("DELETE FROM T WHERE ID = 3"));
    t->refresh();
    QCOMPARE(t->recNo(), 0);
    QCOMPARE(t->fieldByName(QStringLiteral("NAZEV"))->asString(), QStringLiteral("Beta"));
}

void TestDataset::locateAndLookup() {
    Dataset* t = table(QStringLiteral("T"));
    t->open();
    QSignalSpy moved(t, &Dataset::currentRowChanged);
    QVERIFY(t->locate(QStringLiteral("POCET;ANO"), {30, QVariant()}));
    QCOMPARE(t->recNo(), 2);
    QCOMPARE(moved.count(), 1);
    // Text form of a number finds the number; a value the field cannot take finds nothing.
    QVERIFY(t->locate(QStringLiteral("POCET"), {QStringLiteral("10")}));
    QCOMPARE(t->recNo(), 0);
    QVERIFY(!t->locate(QStringLiteral("POCET"), {QStringLiteral("x")}));
    QVERIFY(!t->locate(QStringLiteral("NAZEV"), {QStringLiteral("beta")}));
    QCOMPARE(t->recNo(), 0);
    QVERIFY(t->locate(QStringLiteral("NAZEV"), {QStringLiteral("beta")}, true));
    QCOMPARE(t->recNo(), 1);
    QCOMPARE(t->lookup(QStringLiteral("ID"), {3}, QStringLiteral("NAZEV")).toString(), QStringLiteral("Gama"));
    QVERIFY(t->lookup(QStringLiteral("ID"), {9}, QStringLiteral("NAZEV")).isNull());
    QCOMPARE(t->recNo(), 1);
    QCOMPARE(t->indexOf(QStringLiteral("CISLO"), {2}), 2);
    QCOMPARE(t->indexOf(QStringLiteral("CISLO"), {1.5}), 0);
    QVERIFY_THROWS_EXCEPTION(DbError, t->locate(QStringLiteral("NIC"), {1}));
}

void TestDataset::sortByCzechCollation() {
    m_conn->execute(QStringLiteral("INSERT INTO M VALUES (4, 9, 'chata'), (5, 9, 'hrad'), (6, 9, 'čáp'), (7, 9, 'cesta'), "
                                   "(8, 9, 'Řeka'), (9, 9, 'rak'), (10, 9, NULL)"));
    Dataset* m = table(QStringLiteral("M"));
    m->open();
    m->setRecNo(3); // chata
    m->setSortFields({QStringLiteral("NAZEV")});
    QCOMPARE(m->fieldByName(QStringLiteral("NAZEV"))->asString(), QStringLiteral("chata"));
    QStringList names;
    for (int i = 0; i < m->recordCount(); ++i)
        names << m->valueAt(i, m->fieldByName(QStringLiteral("NAZEV"))->index()).toString();
    QCOMPARE(names, (QStringList{QString(), "cesta", "čáp", "druhý", "hrad", "chata", "první", "rak", "Řeka", "třetí"}));
    m->setSortFields({});
    QCOMPARE(m->valueAt(0, 2).toString(), QStringLiteral("první"));
}

void TestDataset::signals_() {
    Dataset* t = table(QStringLiteral("T"));
    QSignalSpy reset(t, &Dataset::dataReset);
    QSignalSpy state(t, &Dataset::stateChanged);
    QSignalSpy row(t, &Dataset::currentRowChanged);
    QSignalSpy value(t, &Dataset::valueChanged);
    QSignalSpy inserted(t, &Dataset::rowInserted);
    QSignalSpy removed(t, &Dataset::rowRemoved);
    QSignalSpy changed(t, &Dataset::rowChanged);
    t->open();
    QCOMPARE(reset.count(), 1);
    QCOMPARE(state.takeLast().at(0).value<DatasetState>(), DatasetState::Browse);
    row.clear();
    t->next();
    QCOMPARE(row.takeFirst().at(0).toInt(), 1);
    t->edit();
    QCOMPARE(state.takeLast().at(0).value<DatasetState>(), DatasetState::Edit);
    Field* f = t->fieldByName(QStringLiteral("POCET"));
    f->setValue(5);
    QCOMPARE(value.count(), 1);
    QCOMPARE(value.takeFirst().at(0).value<Field*>(), f);
    f->setValue(5); // no change, no signal
    QCOMPARE(value.count(), 0);
    t->post();
    QCOMPARE(changed.takeFirst().at(0).toInt(), 1);
    t->append();
    QCOMPARE(inserted.takeFirst().at(0).toInt(), 3);
    QCOMPARE(row.takeLast().at(0).toInt(), 3);
    t->cancel();
    QCOMPARE(removed.takeFirst().at(0).toInt(), 3);
    QCOMPARE(row.takeLast().at(0).toInt(), 1);
    t->deleteRecord();
    QCOMPARE(removed.takeFirst().at(0).toInt(), 1);
}

void TestDataset::disableControls() {
    Dataset* t = table(QStringLiteral("T"));
    t->open();
    QSignalSpy reset(t, &Dataset::dataReset);
    QSignalSpy value(t, &Dataset::valueChanged);
    t->disableControls();
    QVERIFY(t->controlsDisabled());
    t->edit();
    t->fieldByName(QStringLiteral("POCET"))->setValue(1);
    t->post();
    t->next();
    QCOMPARE(value.count(), 0);
    QCOMPARE(reset.count(), 0);
    t->enableControls();
    QCOMPARE(reset.count(), 1);
    QVERIFY(!t->controlsDisabled());
}

void TestDataset::modelUnderTester() {
    Dataset* m = table(QStringLiteral("M"));
    Dataset* d = table(QStringLiteral("D"));
    m->open();
    d->open();
    DatasetModel model(d);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.columnCount(), 4);
    QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QStringLiteral("TXT"));
    QCOMPARE(model.data(model.index(3, 3)).toString(), QStringLiteral("jiný"));
    d->append();
    QCOMPARE(model.rowCount(), 5);
    d->fieldByName(QStringLiteral("TXT"))->setValue(QStringLiteral("e"));
    QCOMPARE(model.data(model.index(4, 3)).toString(), QStringLiteral("e"));
    d->post();
    d->cancel();
    d->append();
    d->cancel();
    QCOMPARE(model.rowCount(), 5);
    d->first();
    d->deleteRecord();
    QCOMPARE(model.rowCount(), 4);
    TDB::LinkDetail(d, m, QStringLiteral("ID_M"), QStringLiteral("ID_M"));
    QCOMPARE(model.rowCount(), 2);
    m->next();
    QCOMPARE(model.rowCount(), 1);
    d->setSortFields({QStringLiteral("TXT")});
    d->refresh();
    d->close();
    QCOMPARE(model.rowCount(), 0);
    d->open();
    QCOMPARE(model.rowCount(), 1);
}

void TestDataset::modelEdits() {
    Dataset* t = table(QStringLiteral("T"));
    t->open();
    DatasetModel model(t);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const int pocet = t->fieldByName(QStringLiteral("POCET"))->index();
    const int cislo = t->fieldByName(QStringLiteral("CISLO"))->index();
    QCOMPARE(model.data(model.index(0, cislo)).toString(), QStringLiteral("1,5"));
    QCOMPARE(model.data(model.index(0, t->fieldByName(QStringLiteral("DATUM"))->index())).toString(), QStringLiteral("5.3.2009"));
    QCOMPARE(model.data(model.index(0, t->fieldByName(QStringLiteral("ANO"))->index())).toString(), QStringLiteral("ano"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setData(model.index(2, pocet), QStringLiteral("31")));
    QCOMPARE(t->recNo(), 2);
    QCOMPARE(t->state(), DatasetState::Edit);
    QVERIFY(changed.count() >= 1);
    QVERIFY(!model.setData(model.index(2, pocet), QStringLiteral("třicet")));
    QVERIFY(!model.lastError().isEmpty());
    QCOMPARE(model.data(model.index(2, pocet)).toString(), QStringLiteral("31"));
    QVERIFY(model.setData(model.index(2, cislo), QStringLiteral("2,75")));
    t->post();
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT POCET || '/' || CISLO FROM T WHERE ID = 3")).toString(), QStringLiteral("31/2.75"));
}

QTEST_GUILESS_MAIN(TestDataset)
#include "test_dataset.moc"
