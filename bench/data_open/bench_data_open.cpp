// OpenAll plus LocateAgreement of every agreement over a database of many agreements.
//
//   bench_data_open [agreements=10000] [database=<build>/resources/data.db3]
//
// Copies the delivered database into a temporary folder, adds the agreements (one row in each of
// the ten questionnaire tables with every content column filled, a registration, an employer and a
// union organisation each), then times CreateFields + OpenAll and the locate of every agreement, and
// reports the peak resident memory. Targets: peak memory at most 300 MB.

#include "data/connection.h"
#include "data/data_module.h"
#include "data/sql_utils.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <ctime>

using namespace mero;

namespace {

long peakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Fills every column of the table for agreement k with a value of its declared type.
void fillTable(Connection& c, const QString& table, int agreements) {
    Statement cols = c.prepare(QStringLiteral("SELECT name, type FROM pragma_table_info('%1')").arg(table));
    QStringList names, values;
    while (cols.step()) {
        const QString name = cols.value(0).toString();
        const QString type = cols.value(1).toString().toUpper();
        names << QLatin1Char('"') + name + QLatin1Char('"');
        if (name == QLatin1String("ID_KS"))
            values << QStringLiteral("k.value");
        else if (name == QLatin1String("ID_INST_KS"))
            values << QStringLiteral("99999");
        else if (type.contains(QLatin1String("BOOL")))
            values << QStringLiteral("CASE k.value % 3 WHEN 0 THEN 'Y' WHEN 1 THEN 'N' ELSE NULL END");
        else if (type.contains(QLatin1String("INT")))
            values << QStringLiteral("k.value % 100");
        else if (type.startsWith(QLatin1String("DATE")))
            values << QStringLiteral("'2010-01-01'");
        else if (type.startsWith(QLatin1String("NUM")) || type.startsWith(QLatin1String("DEC")) ||
                 type.startsWith(QLatin1String("REAL")))
            values << QStringLiteral("(k.value % 1000) / 4.0");
        else
            values << QStringLiteral("CASE WHEN k.value % 5 = 0 THEN 'Poznámka ' || k.value ELSE NULL END");
    }
    Q_UNUSED(agreements);
    c.execute(QStringLiteral("INSERT INTO \"%1\" (%2) SELECT %3 FROM temp.seq AS k")
                  .arg(table, names.join(QLatin1Char(',')), values.join(QLatin1Char(','))));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
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
    {
        Connection c;
        c.open(path);
        c.execute(QStringLiteral("BEGIN"));
        c.execute(QStringLiteral("DELETE FROM EPKS; DELETE FROM KS WHERE ID_INST_KS = 99999;"));
        for (const char* t : {"SPOLUP", "MZN", "MZT", "PRIPLAT", "ODMENY", "PRDOBA", "PREKAZKY", "SF", "ZAMEST"})
            c.execute(QStringLiteral("DELETE FROM %1").arg(QLatin1String(t)));
        c.execute(QStringLiteral("CREATE TEMP TABLE seq AS WITH RECURSIVE s(value) AS (SELECT 1 UNION ALL "
                                 "SELECT value + 1 FROM s WHERE value < %1) SELECT value FROM s")
                      .arg(agreements));
        for (const char* t : {"KS", "SPOLUP", "MZN", "MZT", "PRIPLAT", "ODMENY", "PRDOBA", "PREKAZKY", "SF", "ZAMEST"})
            fillTable(c, QString::fromLatin1(t), agreements);
        c.execute(QStringLiteral("UPDATE KS SET ID_KS_VKS = NULL, ID_INST_KS_VKS = NULL WHERE ID_INST_KS = 99999"));
        c.execute(QStringLiteral(
                      "INSERT OR IGNORE INTO SUBJ (ID_SUBJ, ID_INST_SUBJ, ID_SVAZ, ICO, NAZEV, ID_TYPSUBJ) "
                      "SELECT value, 99999, 1, printf('%08d', value), 'Zaměstnavatel ' || value, 1 + value % 4 "
                      "FROM temp.seq;"
                      "INSERT OR IGNORE INTO ZOOS (ID_ZOOS, ID_INST_ZOOS, ID_SVAZ, KOD, NAZEV) "
                      "SELECT value, 99999, 1, printf('%04d', value), 'ZO ' || value FROM temp.seq;"
                      "INSERT INTO EPKS (ID_INST_EPKS, ID_KS, ID_INST_KS, ID_ZOOS, ID_INST_ZOOS, ID_SUBJ, ID_INST_SUBJ, "
                      "ID_TYPSUBJ, ROK, PLATNOST) SELECT 99999, value, 99999, value, 99999, value, 99999, 1 + value % 4, "
                      "2000 + value % 20, 'Y' FROM temp.seq;"));
        c.execute(QStringLiteral("COMMIT"));
    }
    const long before = peakKb();
    TData data;
    QElapsedTimer timer;
    timer.start();
    std::clock_t cpu = std::clock();
    if (!data.ConnectDatabase(path))
        return 1;
    data.CreateFields();
    data.OpenAll();
    const qint64 openMs = timer.restart();
    const double openCpu = double(std::clock() - cpu) * 1000 / CLOCKS_PER_SEC;
    cpu = std::clock();
    int found = 0;
    for (int k = 1; k <= agreements; ++k)
        if (data.LocateAgreement(k, 99999))
            ++found;
    const qint64 locateMs = timer.elapsed();
    const double locateCpu = double(std::clock() - cpu) * 1000 / CLOCKS_PER_SEC;
    std::printf("agreements %d, listed %d, located %d\n", agreements, data.TblEPKS->recordCount(), found);
    std::printf("CreateFields+OpenAll %lld ms (cpu %.0f ms), LocateAgreement x%d %lld ms (cpu %.0f ms)\n",
                static_cast<long long>(openMs), openCpu, agreements, static_cast<long long>(locateMs), locateCpu);
    std::printf("peak memory %.1f MB (%.1f MB before the data module)\n", peakKb() / 1024.0, before / 1024.0);
    return found == agreements && peakKb() <= 300 * 1024 ? 0 : 2;
}
