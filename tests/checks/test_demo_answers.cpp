// Demo agreements against the check catalogue: written into real database files, then checked by the
// data module's check run as the agreement list and mero-admin check do.

#include "support/test_support.h"

#include "checks/check_module.h"
#include "checks/demo_answers.h"
#include "data/connection.h"
#include "data/data_module.h"
#include "data/dataset.h"
#include "data/demo_data.h"
#include "data/errors.h"
#include "data/sql_utils.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSet>
#include <QTest>

using namespace mero;
using namespace mero::test;

namespace {

const QStringList kContentTables = {"KS", "SPOLUP", "ZAMEST", "PRDOBA", "PREKAZKY", "MZN", "MZT", "PRIPLAT", "ODMENY", "SF"};

// What the check run finds in every agreement of the list.
struct Checked {
    int agreements = 0;
    int unlocated = 0;
    QMap<QString, int> failures;          // per registration (ID_EPKS:ID_INST_EPKS)
    QMap<QString, int> contentFailures;   // per content (ID_KS:ID_INST_KS)
    QStringList derivedMismatches;        // derived values other than the program computes
    QHash<const TKontrolaZaklad*, QSet<bool>> questionAnswers; // binding checks: main answered yes / no
};

QString pair(const Dataset* ds, const char* id, const char* inst) {
    return QStringLiteral("%1:%2").arg(ds->fieldByName(QString::fromLatin1(id))->asInteger())
        .arg(ds->fieldByName(QString::fromLatin1(inst))->asInteger());
}

// Values the derived-value rules would write into ds when column changed: the names of those that
// differ from what the agreement holds.
QStringList derivedDiffer(TCheckModule& m, Dataset* ds, const QString& column, const QStringList& targets) {
    Field* source = ds->findField(column);
    if (!source)
        return {};
    QVariantList before;
    for (const QString& t : targets)
        before.append(ds->fieldByName(t)->value());
    ds->edit();
    m.DeriveValues(ds, source, source->value());
    QStringList differ;
    for (int i = 0; i < targets.size(); ++i)
        if (ds->fieldByName(targets[i])->value() != before[i])
            differ.append(QStringLiteral("%1.%2 %3 -> %4")
                              .arg(ds->tableName(), targets[i], before[i].toString(),
                                   ds->fieldByName(targets[i])->value().toString()));
    ds->cancel();
    return differ;
}

Checked checkAll(const QString& path) {
    Checked out;
    TData data;
    data.DataBase->open(path, Connection::OpenMode::ReadWrite);
    data.CreateFields();
    data.OpenAll();
    TCheckModule& m = *data.CheckModule();
    m.PrepareCheckResults();
    QStringList tariffs;
    for (int n = 1; n <= 20; ++n)
        tariffs.append(QStringLiteral("MMTH%1P").arg(n));
    Dataset* list = data.TblEPKS;
    for (list->first(); !list->eof(); list->next()) {
        ++out.agreements;
        const qlonglong idKs = list->fieldByName(QStringLiteral("ID_KS"))->asInteger();
        const qlonglong idInstKs = list->fieldByName(QStringLiteral("ID_INST_KS"))->asInteger();
        const int type = int(list->fieldByName(QStringLiteral("ID_TYPSUBJ"))->asInteger());
        if (!m.LocateAgreement(idKs, idInstKs)) {
            ++out.unlocated;
            continue;
        }
        TCheckedAgreement a;
        a.ID = pair(list, "ID_EPKS", "ID_INST_EPKS");
        a.ROK = int(list->fieldByName(QStringLiteral("ROK"))->asInteger());
        const int failed = m.CheckAgreement(a, type);
        out.failures.insert(a.ID, failed);
        out.contentFailures.insert(pair(list, "ID_KS", "ID_INST_KS"), failed);

        for (const TKontrolaZaklad* k : m.Checks())
            if (dynamic_cast<const TKontrolaVazba*>(k) && (!k->SubjectType || *k->SubjectType == type) &&
                k->MainItem->AppliesTo(type))
                out.questionAnswers[k].insert(k->MainItem->AsBoolean());

        // The derived values are what the program computes from the answers.
        out.derivedMismatches += derivedDiffer(m, data.TblMZT, QStringLiteral("TTFH"), tariffs);
        out.derivedMismatches += derivedDiffer(m, data.TblMZN, QStringLiteral("TFH"), {QStringLiteral("MMHP")});
        out.derivedMismatches += derivedDiffer(m, data.TblSF, QStringLiteral("CT1"), {QStringLiteral("UZ")});
        // Bonus series: from the first amount on, every amount given and none below the one before.
        for (const QStringList& series : TCheckModule::BonusSeries()) {
            bool started = false;
            double previous = 0;
            for (const QString& member : series) {
                const Field* f = data.TblODMENY->fieldByName(member);
                if (f->isNull()) {
                    if (started)
                        out.derivedMismatches.append(QStringLiteral("ODMENY.%1 empty after an amount").arg(member));
                    continue;
                }
                if (started && f->asFloat() < previous)
                    out.derivedMismatches.append(QStringLiteral("ODMENY.%1 below its predecessor").arg(member));
                started = true;
                previous = f->asFloat();
            }
        }
    }
    return out;
}

int count(Connection& c, const QString& sql) {
    return TDB::QueryValue(&c, sql).toInt();
}

// A digest of every content row, in key order.
QByteArray contentDigest(Connection& c) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& t : kContentTables) {
        Statement s = c.prepare(QStringLiteral("SELECT * FROM %1 ORDER BY ID_INST_KS, ID_KS").arg(t));
        while (s.step())
            for (int i = 0; i < s.columnCount(); ++i)
                hash.addData(s.value(i).toString().toUtf8() + '|');
    }
    return hash.result();
}

// A catalogue of every kind of check on real questionnaire columns, all in every variant.
void everyKindCatalogue(Connection& c) {
    c.execute(QStringLiteral(
        "DELETE FROM POLOZKAKONTROLY; DELETE FROM KONTROLA; DELETE FROM POLOZKA;"
        "INSERT INTO POLOZKA (ID_POLOZKA, TABULKA, POLE, NAZEV, SUBJ01, SUBJ02, SUBJ03, SUBJ04) VALUES "
        "(1, 'PRDOBA', 'PD', 'Pracovní doba', '1', '1', '1', '1'),"
        "(2, 'PRDOBA', 'PDO', 'Pracovní doba celkem', '1a', '1a', '1a', '1a'),"
        "(3, 'PRDOBA', 'PDOHT', 'Hodin týdně', '1a1', '1a1', '1a1', '1a1'),"
        "(4, 'PRDOBA', 'PDPR', 'Podle režimů', '1b', '1b', '1b', '1b'),"
        "(5, 'PRDOBA', 'PD1', 'Jednosměnný', '1b1', '1b1', '1b1', '1b1'),"
        "(6, 'PRDOBA', 'PD2', 'Dvousměnný', '1b2', '1b2', '1b2', '1b2'),"
        "(7, 'PRDOBA', 'PD3', 'Třísměnný', '1b3', '1b3', '1b3', '1b3'),"
        "(8, 'PRDOBA', 'PDN', 'Nepřetržitý', '1b4', '1b4', '1b4', '1b4'),"
        "(9, 'PRDOBA', 'NRPD', 'Nerovnoměrná', '2', '2', '2', '2'),"
        "(10, 'PRDOBA', 'NRPDRO', 'Období', '2a', '2a', '2a', '2a'),"
        "(11, 'PRDOBA', 'PPD', 'Pružná', '3', '3', '3', '3'),"
        "(12, 'PRDOBA', 'NMOPP', 'Přesčasy', '4', '4', '4', '4'),"
        "(13, 'PRDOBA', 'KPD', 'Konto', '5', '5', '5', '5'),"
        "(14, 'PRDOBA', 'KPDRO', 'Konto období', '5a', '5a', '5a', '5a'),"
        "(15, 'SPOLUP', 'ZOJP', 'Jiný postup', '6', '6', '6', '6'),"
        "(16, 'SPOLUP', 'ZOJPJ', 'Jiný postup jaký', '6a', '6a', '6a', '6a'),"
        "(17, 'PRDOBA', 'PNDT', 'Dovolená týdnů', '7', '7', '7', '7'),"
        "(18, 'PRDOBA', 'PNDD', 'Dovolená dnů', '8', '8', '8', '8');"
        // Bindings: kind 1 non-strict, 2 strict, 3 combination, 4 exclusion.
        "INSERT INTO KONTROLA (ID_KONTROLA, ID_TYPKONTROLY, ID_ZAVAZNOSTKONTROLY, ID_POLOZKA, ID_TYPVAZBY) VALUES "
        "(1, 1, 1, 1, 1), (2, 1, 1, 2, 2), (3, 1, 1, 4, 2), (4, 1, 1, 11, 3), (5, 1, 1, 9, 4), (6, 1, 1, 9, 2),"
        "(7, 1, 1, 13, 2), (8, 1, 1, 15, 2);"
        "INSERT INTO POLOZKAKONTROLY (ID_KONTROLA, ID_POLOZKA) VALUES (1, 2), (1, 4), (2, 3), (3, 5), (3, 6), (3, 7),"
        "(3, 8), (4, 9), (4, 12), (4, 13), (5, 13), (6, 10), (7, 14), (8, 16);"
        // Entry required.
        "INSERT INTO KONTROLA (ID_KONTROLA, ID_TYPKONTROLY, ID_ZAVAZNOSTKONTROLY, ID_POLOZKA) VALUES (9, 2, 1, 17);"
        // Ranges: PD1 30 to 40; PNDD tested as 0 when empty, above 0 up to 10; PDOHT below 35 in variant
        // 2 only; NRPDRO above 0 up to 52; PD2 above 20 up to 40; PD3 not below 0.
        "INSERT INTO KONTROLA (ID_KONTROLA, ID_TYPKONTROLY, ID_ZAVAZNOSTKONTROLY, ID_POLOZKA, MIN, MIN_VCETNE, MAX, "
        "MAX_VCETNE, NEVYPLNENO_NULA, ID_TYPSUBJ) VALUES "
        "(10, 3, 1, 5, 30, 'Y', 40, 'Y', 'N', NULL), (11, 3, 2, 18, 0, 'N', 10, 'Y', 'Y', NULL),"
        "(12, 3, 1, 3, NULL, 'N', 35, 'N', 'N', 2), (13, 3, 1, 10, 0, 'N', 52, 'Y', 'N', NULL),"
        "(17, 3, 1, 6, 20, 'N', 40, 'Y', 'N', NULL), (18, 3, 1, 7, 0, 'Y', NULL, 'N', 'N', NULL);"
        // Comparisons: PD3 < PD1 + PD2, PDN = PD1, NRPDRO <> KPDRO.
        "INSERT INTO KONTROLA (ID_KONTROLA, ID_TYPKONTROLY, ID_ZAVAZNOSTKONTROLY, ID_POLOZKA, ID_TYPPOROVNANI) VALUES "
        "(14, 4, 1, 7, 1), (15, 4, 1, 8, 5), (16, 4, 1, 10, 6);"
        "INSERT INTO POLOZKAKONTROLY (ID_KONTROLA, ID_POLOZKA) VALUES (14, 5), (14, 6), (15, 5), (16, 14);"));
}

} // namespace

class TestDemoAnswers : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void withoutErrorsEveryAgreementPasses();
    void aShareOfAgreementsCarriesErrors_data();
    void aShareOfAgreementsCarriesErrors();
    void everyKindOfCheckIsFollowed_data();
    void everyKindOfCheckIsFollowed();
    void withoutCatalogueEveryColumnIsFilled_data();
    void withoutCatalogueEveryColumnIsFilled();
    void oneSeedGivesOneDatabase();
};

void TestDemoAnswers::withoutErrorsEveryAgreementPasses() {
    QTemporaryDir dir;
    const QString path = copyInto(dir, deliveredDatabase());
    DemoData::Summary s;
    {
        Connection db;
        db.open(path);
        DemoAnswers answers(&db);
        QVERIFY(answers.CheckCount() > 100);
        DemoData::Options o;
        o.agreements = 200;
        o.errorShare = 0;
        o.sharedShare = 0.05;
        o.foreignShare = 0.05;
        o.answers = &answers;
        s = DemoData::Fill(&db, o);
        QCOMPARE(answers.Unresolved(), 0);
    }
    QCOMPARE(s.agreements, 200);
    QCOMPARE(s.withErrors, 0);
    QCOMPARE(s.errors, 0);

    const Checked c = checkAll(path);
    QCOMPARE(c.agreements, 200);
    QCOMPARE(c.unlocated, 0);
    for (auto it = c.failures.begin(); it != c.failures.end(); ++it)
        QVERIFY2(it.value() == 0, qPrintable(QStringLiteral("%1: %2 failed checks").arg(it.key()).arg(it.value())));
    QVERIFY2(c.derivedMismatches.isEmpty(), qPrintable(c.derivedMismatches.mid(0, 5).join(QLatin1Char('\n'))));

    // Valid is not the same as empty: nearly every question is answered yes somewhere and no elsewhere.
    int both = 0;
    for (const QSet<bool>& answers : c.questionAnswers)
        if (answers.size() == 2)
            ++both;
    QVERIFY2(both >= c.questionAnswers.size() * 9 / 10,
             qPrintable(QStringLiteral("%1 of %2 questions answered both ways").arg(both).arg(c.questionAnswers.size())));
    Connection db;
    db.open(path, Connection::OpenMode::ReadOnly);
    QVERIFY(count(db, QStringLiteral("SELECT count(*) FROM MZT WHERE MMTH1P IS NOT NULL")) > 20);
    QVERIFY(count(db, QStringLiteral("SELECT count(*) FROM SF WHERE UZ > 0")) > 10);
    QVERIFY(count(db, QStringLiteral("SELECT count(*) FROM ODMENY WHERE DF40 > DF0")) > 5);
}

void TestDemoAnswers::aShareOfAgreementsCarriesErrors_data() {
    QTest::addColumn<double>("share");
    QTest::addColumn<double>("least");
    QTest::addColumn<double>("most");
    QTest::newRow("20 %") << 0.2 << 0.1 << 0.32;
    QTest::newRow("every agreement") << 1.0 << 1.0 << 1.0;
}

void TestDemoAnswers::aShareOfAgreementsCarriesErrors() {
    QFETCH(double, share);
    QFETCH(double, least);
    QFETCH(double, most);
    QTemporaryDir dir;
    const QString path = copyInto(dir, deliveredDatabase());
    DemoData::Summary s;
    {
        Connection db;
        db.open(path);
        DemoData::Options o;
        o.agreements = 200;
        o.errorShare = share;
        o.seed = 11;
        s = DemoAnswers::Fill(&db, o);
    }
    const Checked c = checkAll(path);
    QCOMPARE(c.unlocated, 0);
    int faulty = 0;
    for (auto it = c.failures.begin(); it != c.failures.end(); ++it) {
        QVERIFY2(it.value() <= 3, qPrintable(QStringLiteral("%1: %2 failed checks").arg(it.key()).arg(it.value())));
        if (it.value() > 0)
            ++faulty;
    }
    QVERIFY2(faulty >= least * c.agreements && faulty <= most * c.agreements,
             qPrintable(QStringLiteral("%1 of %2 agreements with errors").arg(faulty).arg(c.agreements)));
    // The summary counts the errors made, per content.
    int contents = 0, errors = 0;
    for (int n : c.contentFailures) {
        contents += n > 0;
        errors += n;
    }
    QCOMPARE(s.withErrors, contents);
    QCOMPARE(s.errors, errors);
    QVERIFY2(c.derivedMismatches.isEmpty(), qPrintable(c.derivedMismatches.mid(0, 5).join(QLatin1Char('\n'))));
}

void TestDemoAnswers::everyKindOfCheckIsFollowed_data() {
    QTest::addColumn<double>("share");
    QTest::newRow("no errors") << 0.0;
    QTest::newRow("errors everywhere") << 1.0;
}

void TestDemoAnswers::everyKindOfCheckIsFollowed() {
    QFETCH(double, share);
    QTemporaryDir dir;
    const QString path = copyInto(dir, deliveredDatabase());
    {
        Connection db;
        db.open(path);
        everyKindCatalogue(db);
        DemoAnswers answers(&db);
        QCOMPARE(answers.CheckCount(), 18);
        DemoData::Options o;
        o.agreements = 150;
        o.errorShare = share;
        o.seed = 3;
        o.answers = &answers;
        DemoData::Fill(&db, o);
        QCOMPARE(answers.Unresolved(), 0);
        // The questions still take both answers, and the required number is there in every agreement.
        QVERIFY(count(db, QStringLiteral("SELECT count(*) FROM PRDOBA WHERE PD = 'Y'")) > 20);
        QVERIFY(count(db, QStringLiteral("SELECT count(*) FROM PRDOBA WHERE PD = 'N'")) > 20);
        QVERIFY(count(db, QStringLiteral("SELECT count(*) FROM PRDOBA WHERE PPD = 'Y'")) > 5);
        if (share == 0) {
            QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM PRDOBA WHERE (PNDT IS NULL OR PNDD IS NULL) AND ID_INST_KS <> 1")), 0);
            QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM PRDOBA WHERE NRPD = 'Y' AND KPD = 'Y'")), 0);
            // The check of variant 2 holds there only.
            const QString hours = QStringLiteral("SELECT count(*) FROM PRDOBA P JOIN EPKS E ON E.ID_KS = P.ID_KS AND "
                                                 "E.ID_INST_KS = P.ID_INST_KS WHERE E.ID_TYPSUBJ %1 AND P.PDOHT >= 35");
            QCOMPARE(count(db, hours.arg(QStringLiteral("= 2"))), 0);
            QVERIFY(count(db, hours.arg(QStringLiteral("<> 2"))) > 0);
        }
    }
    const Checked c = checkAll(path);
    QCOMPARE(c.agreements, 150);
    for (auto it = c.failures.begin(); it != c.failures.end(); ++it) {
        if (share == 0)
            QVERIFY2(it.value() == 0, qPrintable(QStringLiteral("%1: %2 failed checks").arg(it.key()).arg(it.value())));
        else
            QVERIFY2(it.value() >= 1 && it.value() <= 3,
                     qPrintable(QStringLiteral("%1: %2 failed checks").arg(it.key()).arg(it.value())));
    }
}

void TestDemoAnswers::withoutCatalogueEveryColumnIsFilled_data() {
    QTest::addColumn<QString>("sql");
    QTest::newRow("empty catalogue") << "DELETE FROM POLOZKAKONTROLY; DELETE FROM KONTROLA; DELETE FROM POLOZKA;";
    QTest::newRow("no catalogue tables")
        << "DROP TABLE POLOZKAKONTROLY; DROP TABLE KONTROLA; DROP TABLE POLOZKA; DROP TABLE TYPKONTROLY; "
           "DROP TABLE ZAVAZNOSTKONTROLY;";
}

void TestDemoAnswers::withoutCatalogueEveryColumnIsFilled() {
    QFETCH(QString, sql);
    QTemporaryDir dir;
    const QString path = copyInto(dir, deliveredDatabase());
    Connection db;
    db.open(path);
    db.execute(sql);
    DemoData::Options o;
    o.agreements = 300;
    o.errorShare = 1.0;
    const DemoData::Summary s = DemoAnswers::Fill(&db, o);
    QCOMPARE(s.agreements, 300);
    QCOMPARE(s.withErrors, 0); // nothing to fail
    for (const QString& t : kContentTables) {
        Statement columns = db.prepare(QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(t));
        while (columns.step()) {
            const QString column = columns.value(0).toString();
            QVERIFY2(count(db, QStringLiteral("SELECT count(*) FROM %1 WHERE \"%2\" IS NOT NULL").arg(t, column)) > 0,
                     qPrintable(t + QLatin1Char('.') + column));
        }
    }
}

void TestDemoAnswers::oneSeedGivesOneDatabase() {
    QTemporaryDir dir;
    QList<QByteArray> digests;
    for (unsigned seed : {5u, 5u, 6u}) {
        const QString path = copyInto(dir, deliveredDatabase(), QStringLiteral("demo-%1.db3").arg(digests.size()));
        Connection db;
        db.open(path);
        DemoData::Options o;
        o.agreements = 80;
        o.yearFrom = o.yearTo = 2024;
        o.seed = seed;
        DemoAnswers::Fill(&db, o);
        digests.append(contentDigest(db));
    }
    QCOMPARE(digests[0], digests[1]);
    QVERIFY(digests[0] != digests[2]);
}

QTEST_GUILESS_MAIN(TestDemoAnswers)
#include "test_demo_answers.moc"
