// The data module over a demo database of N agreements (default 10,000): CreateFields and OpenAll, then
// LocateAgreement of every registered agreement, with the peak memory of this process.
// Target: peak memory at most 300 MB.
//
// The demo database is made by a child process (mero-admin demo) so that the figures of this process
// are those of the data module alone.
//
// Usage: bench_data_module [--agreements N] [--db DEMO_DATABASE]

#include "data/connection.h"
#include "data/data_module.h"
#include "data/dataset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

using namespace mero;

namespace {

void print(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

qint64 memoryKb(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith(key))
                return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toLongLong();
    return -1;
}

qint64 cpuNanoseconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int agreements = 10000;
    QString path;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--agreements"))
            agreements = args.at(i + 1).toInt();
        else if (args.at(i) == QLatin1String("--db"))
            path = args.at(i + 1);
    }

    QTemporaryDir dir;
    if (path.isEmpty()) {
        path = dir.filePath(QStringLiteral("demo.db3"));
        if (!QFile::copy(QStringLiteral(MERO_DELIVERED_DATABASE), path)) {
            print(QStringLiteral("The delivered database %1 is missing: build the project first.")
                      .arg(QStringLiteral(MERO_DELIVERED_DATABASE)));
            return 1;
        }
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        QProcess demo;
        demo.setProcessChannelMode(QProcess::ForwardedChannels);
        demo.start(QStringLiteral(MERO_ADMIN), {QStringLiteral("demo"), QStringLiteral("--db"), path,
                                                QStringLiteral("--agreements"), QString::number(agreements)});
        if (!demo.waitForFinished(-1) || demo.exitCode() != 0) {
            print(QStringLiteral("mero-admin demo failed."));
            return 1;
        }
    }
    const qint64 rssBefore = memoryKb("VmRSS:");

    QElapsedTimer wall;
    wall.start();
    qint64 cpu = cpuNanoseconds();
    TData data;
    if (!data.ConnectDatabase(path))
        return 1;
    data.CreateFields();
    data.OpenAll();
    const qint64 openWall = wall.nsecsElapsed(), openCpu = cpuNanoseconds() - cpu;

    // The keys of every registered agreement, in the list's order.
    QList<QPair<qlonglong, qlonglong>> keys;
    Dataset* epks = data.TblEPKS;
    const int idKs = epks->fieldByName(QStringLiteral("ID_KS"))->index();
    const int idInstKs = epks->fieldByName(QStringLiteral("ID_INST_KS"))->index();
    for (int r = 0; r < epks->recordCount(); ++r)
        keys.append({epks->valueAt(r, idKs).toLongLong(), epks->valueAt(r, idInstKs).toLongLong()});

    wall.restart();
    cpu = cpuNanoseconds();
    int found = 0;
    for (const auto& [ks, inst] : keys)
        if (data.LocateAgreement(ks, inst))
            ++found;
    const qint64 locateWall = wall.nsecsElapsed(), locateCpu = cpuNanoseconds() - cpu;

    qint64 rows = 0;
    for (Dataset* ds : data.AllDatasets())
        rows += ds->recordCount();
    const qint64 peak = memoryKb("VmHWM:");
    print(QStringLiteral("datasets: %1 with %2 rows; agreements registered: %3").arg(data.AllDatasets().size()).arg(rows).arg(keys.size()));
    print(QStringLiteral("CreateFields + OpenAll: CPU %1 ms, wall %2 ms").arg(openCpu / 1e6, 0, 'f', 1).arg(openWall / 1e6, 0, 'f', 1));
    print(QStringLiteral("LocateAgreement of every agreement (%1 found): CPU %2 ms, wall %3 ms, %4 us per agreement")
              .arg(found)
              .arg(locateCpu / 1e6, 0, 'f', 1)
              .arg(locateWall / 1e6, 0, 'f', 1)
              .arg(keys.isEmpty() ? 0.0 : locateCpu / 1e3 / keys.size(), 0, 'f', 1));
    print(QStringLiteral("peak memory of this process: %1 MB (before opening: %2 MB; target <= 300 MB: %3)")
              .arg(peak / 1024.0, 0, 'f', 1)
              .arg(rssBefore / 1024.0, 0, 'f', 1)
              .arg(peak <= 300 * 1024 ? QStringLiteral("met") : QStringLiteral("NOT met")));
    return found == keys.size() ? 0 : 1;
}
