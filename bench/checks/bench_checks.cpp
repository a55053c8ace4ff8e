// The check run over every agreement of a large database, against the work it cannot avoid.
//
//   bench_checks [agreements=10000] [database=<build>/resources/data.db3]
//
// Copies the database, adds the agreements (every content column of the ten questionnaire rows
// filled with values of its type, some left empty), opens the data module and times, alternately and
// three times each:
//   check run  PrepareCheckResults, LocateAndCheckAgreement for every row of the agreement list with
//              the arguments the list passes, and the sorted result list;
//   baseline   LocateAgreement of the same agreements and a read of every item value the checks read
//              (main and related items of every check that applies to the agreement's variant).
// Target: check run / baseline at most 2. When the database's check catalogue is empty, a catalogue
// over every questionnaire column is generated (one check per column, bindings over runs of yes/no
// columns, comparisons over runs of numbers) and the output says so.

#include "checks/check_module.h"
#include "data/connection.h"
#include "data/data_module.h"
#include "data/key_text.h"
#include "data/sql_utils.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace mero;

namespace {

const char* const kTables[] = {"KS", "SPOLUP", "MZN", "MZT", "PRIPLAT", "ODMENY", "PRDOBA", "PREKAZKY", "SF", "ZAMEST"};

struct Column {
    QString name;
    QString type;
};

QList<Column> contentColumns(Connection& c, const QString& table) {
    Statement cols = c.prepare(QStringLiteral("SELECT name, type FROM pragma_table_info('%1')").arg(table));
    QList<Column> out;
    while (cols.step())
        out.append({cols.value(0).toString(), cols.value(1).toString().toUpper()});
    return out;
}

bool isKey(const QString& name) {
    return name == QLatin1String("ID_KS") || name == QLatin1String("ID_INST_KS") ||
           name == QLatin1String("ID_KS_VKS") || name == QLatin1String("ID_INST_KS_VKS");
}

void fillTable(Connection& c, const QString& table) {
    QStringList names, values;
    int i = 0;
    for (const Column& col : contentColumns(c, table)) {
        ++i;
        names << QLatin1Char('"') + col.name + QLatin1Char('"');
        if (col.name == QLatin1String("ID_KS"))
            values << QStringLiteral("k.value");
        else if (col.name == QLatin1String("ID_INST_KS"))
            values << QStringLiteral("99999");
        else if (isKey(col.name))
            values << QStringLiteral("NULL");
        else if (col.type.contains(QLatin1String("BOOL")))
            values << QStringLiteral("CASE (k.value + %1) % 3 WHEN 0 THEN 'Y' WHEN 1 THEN 'N' ELSE NULL END").arg(i);
        else if (col.type.contains(QLatin1String("INT")))
            values << QStringLiteral("CASE WHEN (k.value + %1) % 7 = 0 THEN NULL ELSE (k.value + %1) % 100 END").arg(i);
        else if (col.type.startsWith(QLatin1String("DATE")))
            values << QStringLiteral("CASE WHEN k.value % 4 = 0 THEN NULL ELSE '2010-01-01' END");
        else if (col.type.startsWith(QLatin1String("NUM")) || col.type.startsWith(QLatin1String("DEC")) ||
                 col.type.startsWith(QLatin1String("REAL")))
            values << QStringLiteral("CASE WHEN (k.value + %1) % 6 = 0 THEN NULL ELSE ((k.value * %1) % 1000) / 4.0 END")
                          .arg(i);
        else
            values << QStringLiteral("CASE WHEN (k.value + %1) % 5 = 0 THEN 'Poznámka ' || k.value ELSE NULL END").arg(i);
    }
    c.execute(QStringLiteral("INSERT INTO \"%1\" (%2) SELECT %3 FROM temp.seq AS k")
                  .arg(table, names.join(QLatin1Char(',')), values.join(QLatin1Char(','))));
}

// A catalogue over every content column, used when the database holds none.
void syntheticCatalogue(Connection& c) {
    c.execute(QStringLiteral(
        "DELETE FROM POLOZKAKONTROLY; DELETE FROM KONTROLA; DELETE FROM POLOZKA; DELETE FROM TYPKONTROLY; "
        "DELETE FROM ZAVAZNOSTKONTROLY;"
        "INSERT INTO TYPKONTROLY (ID_TYPKONTROLY, KOD, NAZEV, PORADI) VALUES (1, 'V', 'Vazba', 1), "
        "(2, 'Z', 'Zadání', 2), (3, 'R', 'Rozsah', 3), (4, 'P', 'Porovnání', 4);"
        "INSERT INTO ZAVAZNOSTKONTROLY (ID_ZAVAZNOSTKONTROLY, KOD, NAZEV, PORADI) VALUES (1, 'C', 'Chyba', 1), "
        "(2, 'U', 'Upozornění', 2);"));
    int item = 0;
    int check = 0;
    int section = 0;
    for (const char* t : kTables) {
        const QString table = QString::fromLatin1(t);
        ++section;
        QList<int> yesNo, numbers;
        int question = 0;
        for (const Column& col : contentColumns(c, table)) {
            if (isKey(col.name))
                continue;
            ++item;
            ++question;
            const QString code = QStringLiteral("%1.%2").arg(section).arg(question);
            c.execute(QStringLiteral("INSERT INTO POLOZKA (ID_POLOZKA, TABULKA, POLE, NAZEV, SUBJ01, SUBJ02, SUBJ03, "
                                     "SUBJ04) VALUES (%1, '%2', '%3', 'Otázka %4', '%4', '%4', '%4', '%4')")
                          .arg(item)
                          .arg(table, col.name, code));
            if (col.type.contains(QLatin1String("BOOL"))) {
                yesNo << item;
            } else if (col.type.startsWith(QLatin1String("NUM")) || col.type.contains(QLatin1String("INT"))) {
                numbers << item;
                c.execute(QStringLiteral("INSERT INTO KONTROLA (ID_KONTROLA, ID_TYPKONTROLY, ID_ZAVAZNOSTKONTROLY, "
                                         "ID_POLOZKA, MIN, MIN_VCETNE, MAX, MAX_VCETNE) VALUES (%1, 3, 2, %2, 1, 'Y', "
                                         "200, 'Y')")
                              .arg(++check)
                              .arg(item));
            } else {
                c.execute(QStringLiteral("INSERT INTO KONTROLA (ID_KONTROLA, ID_TYPKONTROLY, ID_ZAVAZNOSTKONTROLY, "
                                         "ID_POLOZKA) VALUES (%1, 2, 1, %2)")
                              .arg(++check)
                              .arg(item));
            }
        }
        for (qsizetype i = 0; i + 3 < yesNo.size(); i += 4) {
            c.execute(QStringLiteral("INSERT INTO KONTROLA (ID_KONTROLA, ID_TYPKONTROLY, ID_ZAVAZNOSTKONTROLY, "
                                     "ID_POLOZKA, ID_TYPVAZBY) VALUES (%1, 1, 1, %2, %3)")
                          .arg(++check)
                          .arg(yesNo[i])
                          .arg(1 + (i / 4) % 4));
            for (int r = 1; r <= 3; ++r)
                c.execute(QStringLiteral("INSERT INTO POLOZKAKONTROLY (ID_KONTROLA, ID_POLOZKA) VALUES (%1, %2)")
                              .arg(check)
                              .arg(yesNo[i + r]));
        }
        for (qsizetype i = 0; i + 2 < numbers.size(); i += 3) {
            c.execute(QStringLiteral("INSERT INTO KONTROLA (ID_KONTROLA, ID_TYPKONTROLY, ID_ZAVAZNOSTKONTROLY, "
                                     "ID_POLOZKA, ID_TYPPOROVNANI) VALUES (%1, 4, 1, %2, %3)")
                          .arg(++check)
                          .arg(numbers[i])
                          .arg(1 + (i / 3) % 6));
            for (int r = 1; r <= 2; ++r)
                c.execute(QStringLiteral("INSERT INTO POLOZKAKONTROLY (ID_KONTROLA, ID_POLOZKA) VALUES (%1, %2)")
                              .arg(check)
                              .arg(numbers[i + r]));
        }
    }
}

struct Listed {
    TCheckedAgreement agreement;
    qlonglong idKs, idInstKs;
    int subjectType;
};

Listed listed(TData& data) {
    Dataset* l = data.TblEPKS;
    const auto v = [&](const char* n) { return l->fieldByName(QString::fromLatin1(n))->value(); };
    Listed a;
    a.agreement.ID = KeyText::Join(v("ID_EPKS"), v("ID_INST_EPKS"));
    a.agreement.ID_SVAZ = l->fieldByName(QStringLiteral("ID_SVAZ"))->asString();
    a.agreement.SVAZ = data.TblSVAZ->lookup(QStringLiteral("ID_SVAZ"), {v("ID_SVAZ")}, QStringLiteral("NAZEV")).toString();
    a.agreement.ID_SUBJEKT1 = KeyText::Join(v("ID_SUBJ"), v("ID_INST_SUBJ"));
    a.agreement.SUBJEKT1 = l->fieldByName(QStringLiteral("SUBJ"))->asString();
    a.agreement.ID_SUBJEKT2 = KeyText::Join(v("ID_ZOOS"), v("ID_INST_ZOOS"));
    a.agreement.SUBJEKT2 = l->fieldByName(QStringLiteral("ZOOS"))->asString();
    a.agreement.ROK = static_cast<int>(l->fieldByName(QStringLiteral("ROK"))->asInteger());
    a.idKs = l->fieldByName(QStringLiteral("ID_KS"))->asInteger();
    a.idInstKs = l->fieldByName(QStringLiteral("ID_INST_KS"))->asInteger();
    a.subjectType = static_cast<int>(l->fieldByName(QStringLiteral("ID_TYPSUBJ"))->asInteger());
    return a;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    const int agreements = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;
    const QString source =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(MERO_BINARY_DIR "/resources/data.db3");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.db3"));
    if (!QFile::copy(source, path)) {
        std::fprintf(stderr, "cannot copy %s\n", qPrintable(source));
        return 1;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    bool synthetic = false;
    {
        Connection c;
        c.open(path);
        c.execute(QStringLiteral("BEGIN"));
        const bool hasAgreements = TDB::QueryValue(&c, QStringLiteral("SELECT COUNT(*) FROM EPKS")).toInt() >= agreements;
        if (!hasAgreements) {
            c.execute(QStringLiteral("DELETE FROM EPKS; DELETE FROM KS WHERE ID_INST_KS = 99999;"));
            for (const char* t : kTables)
                if (QLatin1String(t) != QLatin1String("KS"))
                    c.execute(QStringLiteral("DELETE FROM %1").arg(QLatin1String(t)));
            c.execute(QStringLiteral("CREATE TEMP TABLE seq AS WITH RECURSIVE s(value) AS (SELECT 1 UNION ALL "
                                     "SELECT value + 1 FROM s WHERE value < %1) SELECT value FROM s")
                          .arg(agreements));
            for (const char* t : kTables)
                fillTable(c, QString::fromLatin1(t));
            c.execute(QStringLiteral(
                "INSERT OR IGNORE INTO SUBJ (ID_SUBJ, ID_INST_SUBJ, ID_SVAZ, ICO, NAZEV, ID_TYPSUBJ) "
                "SELECT value, 99999, 1 + value % 4, printf('%08d', value), 'Zaměstnavatel ' || value, 1 + value % 4 "
                "FROM temp.seq;"
                "INSERT OR IGNORE INTO ZOOS (ID_ZOOS, ID_INST_ZOOS, ID_SVAZ, KOD, NAZEV) "
                "SELECT value, 99999, 1 + value % 4, printf('%04d', value), 'ZO ' || value FROM temp.seq;"
                "INSERT INTO EPKS (ID_INST_EPKS, ID_KS, ID_INST_KS, ID_ZOOS, ID_INST_ZOOS, ID_SUBJ, ID_INST_SUBJ, "
                "ID_TYPSUBJ, ROK, PLATNOST) SELECT 99999, value, 99999, value, 99999, value, 99999, 1 + value % 4, "
                "2000 + value % 20, 'Y' FROM temp.seq;"));
        }
        if (TDB::QueryValue(&c, QStringLiteral("SELECT COUNT(*) FROM KONTROLA")).toInt() == 0) {
            syntheticCatalogue(c);
            synthetic = true;
        }
        c.execute(QStringLiteral("COMMIT"));
    }

    TData data;
    if (!data.ConnectDatabase(path))
        return 1;
    data.CreateFields();
    data.OpenAll();
    TCheckModule& checks = *data.CheckModule();
    Dataset* list = data.TblEPKS;

    // The list rows as the agreement list passes them, read once for both sides.
    std::vector<Listed> rows;
    for (list->first(); !list->eof(); list->next())
        rows.push_back(listed(data));

    qint64 bestCheck = -1, bestBase = -1;
    int failures = 0;
    volatile qsizetype sink = 0;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        checks.PrepareCheckResults();
        failures = 0;
        for (const Listed& a : rows)
            failures += checks.LocateAndCheckAgreement(a.agreement, a.idKs, a.idInstKs, a.subjectType);
        const qint64 runMs = t.elapsed();
        sink = sink + static_cast<qsizetype>(checks.CheckResults()->Rows().size());
        const qint64 checkMs = t.restart();
        const qint64 sortMs = checkMs - runMs;

        int located = 0;
        for (const Listed& a : rows) {
            if (!data.LocateAgreement(a.idKs, a.idInstKs))
                continue;
            ++located;
            for (const TKontrolaZaklad* k : checks.Checks()) {
                if (k->SubjectType && *k->SubjectType != a.subjectType)
                    continue;
                if (!k->MainItem->AppliesTo(a.subjectType))
                    continue;
                const QVariant v = k->MainItem->value();
                sink = sink + (v.isNull() ? 0 : 1);
                for (const TPolozka* p : k->RelatedItems) {
                    const QVariant r = p->value();
                    sink = sink + (r.isNull() ? 0 : 1);
                }
            }
        }
        const qint64 baseMs = t.elapsed();
        bestCheck = bestCheck < 0 ? checkMs : std::min(bestCheck, checkMs);
        bestBase = bestBase < 0 ? baseMs : std::min(bestBase, baseMs);
        std::printf("round %d: check run %lld ms (of which sorting %lld ms), baseline %lld ms (located %d)\n",
                    round + 1, static_cast<long long>(checkMs), static_cast<long long>(sortMs),
                    static_cast<long long>(baseMs), located);
    }
    const double ratio = bestBase > 0 ? double(bestCheck) / double(bestBase) : 0.0;
    std::printf("catalogue: %s, %d items, %d checks\n", synthetic ? "generated (database catalogue empty)" : "delivered",
                checks.Items().Count(), checks.Checks().Count());
    std::printf("agreements %zu, results %d\n", rows.size(), failures);
    std::printf("best: check run %lld ms, baseline %lld ms, ratio %.2f (target <= 2)\n",
                static_cast<long long>(bestCheck), static_cast<long long>(bestBase), ratio);
    return ratio <= 2.0 ? 0 : 2;
}
