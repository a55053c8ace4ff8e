// Export of the transfer file against SQLite copying the same rows itself.
//
// A demo database of N agreements (default 10,000), all of one year and all marked valid, is made
// from the delivered database. Each run then builds the transfer file of that year twice:
//   - export:   TExport as the sending form uses it (rows read and bound through our statements);
//   - baseline: the same structure, then SQLite's own ATTACH and INSERT OR IGNORE ... SELECT of the same
//               rows, one transaction per table in the same order, with the same file settings.
// The figures are the best of the runs. Target: export / baseline <= 2.
//
// Usage: bench_export [--agreements N] [--runs R] [--db DEMO_DATABASE] [--year YEAR]

#include "data/connection.h"
#include "data/demo_data.h"
#include "data/sql_utils.h"
#include "transfer/export.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

using namespace mero;

namespace {

void print(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// CPU time of this process: the machine is shared, so wall-clock time also counts waiting for a core.
qint64 cpuNanoseconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

QString peakMemory() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return QString::fromLatin1(line.mid(6).trimmed());
    return QStringLiteral("?");
}

void baselineCopy(const QString& localPath, const QString& target, const QString& condition) {
    {
        // The same structure as the export makes.
        Connection local;
        local.open(localPath, Connection::OpenMode::ReadOnly);
        TExport structure(&local, target);
        structure.Connect();
        structure.CreateStructure();
        structure.Disconnect();
    }
    Connection db;
    db.open(localPath, Connection::OpenMode::ReadWrite);
    db.execute(QStringLiteral("ATTACH DATABASE %1 AS t; PRAGMA t.journal_mode = MEMORY; PRAGMA t.synchronous = OFF;")
                   .arg(TDB::QuotedString(target)));
    auto copy = [&](const QString& table, const QString& where) {
        db.execute(QStringLiteral("BEGIN; INSERT OR IGNORE INTO t.%1 SELECT * FROM main.%1%2; COMMIT;")
                       .arg(table, TSQL::Where(where)));
    };
    copy(QStringLiteral("INST"), QString());
    copy(QStringLiteral("ZOOS"), TExport::ReferencedBy(QStringLiteral("ZOOS"), QStringLiteral("ZOOS"), condition));
    copy(QStringLiteral("SUBJ"), TExport::ReferencedBy(QStringLiteral("SUBJ"), QStringLiteral("SUBJ"), condition));
    for (const QString& t : TExport::ContentTables())
        copy(t, TExport::ReferencedBy(t, QStringLiteral("KS"), condition));
    copy(QStringLiteral("EPKS"), condition);
    db.execute(QStringLiteral("DETACH DATABASE t"));
}

// Tables whose rows differ between the two files (compared as SQL values, both ways).
QStringList differences(const QString& a, const QString& b, qint64* rows) {
    Connection db;
    db.open(a, Connection::OpenMode::ReadOnly);
    db.execute(QStringLiteral("ATTACH DATABASE %1 AS b").arg(TDB::QuotedString(b)));
    QStringList out;
    *rows = 0;
    const QStringList tables = QStringList{QStringLiteral("INST"), QStringLiteral("ZOOS"), QStringLiteral("SUBJ"),
                                           QStringLiteral("EPKS")} +
                               TExport::ContentTables();
    for (const QString& t : tables) {
        const int diff = TDB::QueryValue(&db, QStringLiteral("SELECT (SELECT count(*) FROM (SELECT * FROM main.%1 EXCEPT "
                                                             "SELECT * FROM b.%1)) + (SELECT count(*) FROM (SELECT * FROM "
                                                             "b.%1 EXCEPT SELECT * FROM main.%1))")
                                                  .arg(t))
                             .toInt();
        const qint64 na = TDB::QueryValue(&db, QStringLiteral("SELECT count(*) FROM main.%1").arg(t)).toLongLong();
        const qint64 nb = TDB::QueryValue(&db, QStringLiteral("SELECT count(*) FROM b.%1").arg(t)).toLongLong();
        if (diff != 0 || na != nb)
            out.append(t);
        *rows += na;
    }
    return out;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int agreements = 10000;
    int runs = 5;
    QString demoPath;
    QString year = QStringLiteral("2024");
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--agreements"))
            agreements = args.at(i + 1).toInt();
        else if (args.at(i) == QLatin1String("--runs"))
            runs = std::max(1, args.at(i + 1).toInt());
        else if (args.at(i) == QLatin1String("--db"))
            demoPath = args.at(i + 1);
        else if (args.at(i) == QLatin1String("--year"))
            year = args.at(i + 1);
    }

    QTemporaryDir dir;
    if (demoPath.isEmpty()) {
        demoPath = dir.filePath(QStringLiteral("demo.db3"));
        if (!QFile::copy(QStringLiteral(MERO_DELIVERED_DATABASE), demoPath)) {
            print(QStringLiteral("The delivered database %1 is missing: build the project first.")
                      .arg(QStringLiteral(MERO_DELIVERED_DATABASE)));
            return 1;
        }
        QFile::setPermissions(demoPath, QFile::ReadOwner | QFile::WriteOwner);
        QElapsedTimer t;
        t.start();
        Connection db;
        db.open(demoPath);
        DemoData::Options o;
        o.agreements = agreements;
        o.yearFrom = o.yearTo = year.toInt();
        o.validShare = 1.0;
        const DemoData::Summary s = DemoData::Fill(&db, o);
        print(QStringLiteral("demo database: %1 agreements of %2, all valid (%3 contents, %4 shared, %5 of another "
                             "installation), made in %6 ms")
                  .arg(s.agreements)
                  .arg(year)
                  .arg(s.contents)
                  .arg(s.shared)
                  .arg(s.foreign)
                  .arg(t.elapsed()));
    }
    const QString condition = TExport::YearCondition(year);
    const QString exported = dir.filePath(QStringLiteral("export.db3"));
    const QString copied = dir.filePath(QStringLiteral("baseline.db3"));

    qint64 bestExport = -1, bestBaseline = -1, cpuExport = -1, cpuBaseline = -1;
    auto keepBest = [](qint64& best, qint64 value) { best = best < 0 ? value : std::min(best, value); };
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        auto timeExport = [&] {
            t.start();
            const qint64 cpu = cpuNanoseconds();
            Connection local;
            local.open(demoPath, Connection::OpenMode::ReadOnly);
            BuildTransferFile(&local, exported, condition);
            keepBest(cpuExport, cpuNanoseconds() - cpu);
            keepBest(bestExport, t.nsecsElapsed());
        };
        auto timeBaseline = [&] {
            t.start();
            const qint64 cpu = cpuNanoseconds();
            baselineCopy(demoPath, copied, condition);
            keepBest(cpuBaseline, cpuNanoseconds() - cpu);
            keepBest(bestBaseline, t.nsecsElapsed());
        };
        // Alternate which goes first so that neither always finds the cache warmed by the other.
        if (r % 2 == 0) {
            timeExport();
            timeBaseline();
        } else {
            timeBaseline();
            timeExport();
        }
    }

    qint64 rows = 0;
    const QStringList diff = differences(exported, copied, &rows);
    const double ratio = double(cpuExport) / double(cpuBaseline);
    const double wallRatio = double(bestExport) / double(bestBaseline);
    print(QStringLiteral("rows in the transfer file: %1 (%2 bytes); same rows as the baseline: %3")
              .arg(rows)
              .arg(QFileInfo(exported).size())
              .arg(diff.isEmpty() ? QStringLiteral("yes") : QStringLiteral("NO: ") + diff.join(QLatin1Char(','))));
    print(QStringLiteral("export (TExport, bound statements):   CPU %1 ms, wall %2 ms")
              .arg(cpuExport / 1e6, 0, 'f', 1)
              .arg(bestExport / 1e6, 0, 'f', 1));
    print(QStringLiteral("baseline (ATTACH, INSERT ... SELECT):  CPU %1 ms, wall %2 ms")
              .arg(cpuBaseline / 1e6, 0, 'f', 1)
              .arg(bestBaseline / 1e6, 0, 'f', 1));
    print(QStringLiteral("ratio export / baseline: CPU %1 (target <= 2: %2), wall %3")
              .arg(ratio, 0, 'f', 2)
              .arg(ratio <= 2.0 ? QStringLiteral("met") : QStringLiteral("NOT met"))
              .arg(wallRatio, 0, 'f', 2));
    print(QStringLiteral("best of %1 runs; peak memory of this process: %2").arg(runs).arg(peakMemory()));
    return diff.isEmpty() ? 0 : 1;
}
