// Starts the program's start-up sequence on a copy of the delivered database and a bare Qt window
// program, each as a child process on the offscreen platform, and reports the median wall time from
// process start to exit after the main window is shown, and their ratio.
//
//   bench_startup [RUNS] [DATABASE]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

double runOnce(const QString& program, const QProcessEnvironment& env, bool* ok) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    p.start(program, {});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        *ok = false;
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runs = args.size() > 1 ? std::max(1, args.at(1).toInt()) : 15;
    const QString delivered = args.size() > 2 ? args.at(2) : QStringLiteral(DELIVERED_DATABASE);
    if (!QFile::exists(delivered)) {
        std::fprintf(stderr, "The delivered database %s does not exist; build it first "
                             "(cmake --build build --target delivered_database).\n", qPrintable(delivered));
        return 1;
    }

    // A private installation: the database copy and a settings store pointing at it.
    QTemporaryDir dir;
    const QString database = dir.filePath("data/data.db3");
    QDir().mkpath(dir.filePath("data"));
    QDir().mkpath(dir.filePath("etc/Velmora"));
    QDir().mkpath(dir.filePath("home"));
    QFile::copy(delivered, database);
    QFile::setPermissions(database, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile ini(dir.filePath("etc/Velmora/mero.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write("[SOFTWARE\\Velmora\\Nastel]\nDataPath=" + database.toUtf8() +
              "\n[SOFTWARE\\Velmora\\Nastel\\KorvaAutoUpdate]\nCheckInterval=-1\n");
    ini.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_DIRS", dir.filePath("etc"));
    env.insert("HOME", dir.filePath("home"));
    env.insert("XDG_DATA_HOME", dir.filePath("home/.local/share"));

    bool ok = true;
    // Warm-up: the first start also activates the installation; both programs get their files cached.
    runOnce(QStringLiteral(STARTUP_MERO), env, &ok);
    runOnce(QStringLiteral(STARTUP_BARE), env, &ok);
    if (!ok) {
        std::fprintf(stderr, "A start failed.\n");
        return 1;
    }
    QList<double> mero, bare;
    for (int i = 0; i < runs; ++i) {
        mero.append(runOnce(QStringLiteral(STARTUP_MERO), env, &ok));
        bare.append(runOnce(QStringLiteral(STARTUP_BARE), env, &ok));
    }
    if (!ok) {
        std::fprintf(stderr, "A start failed.\n");
        return 1;
    }
    const double m = median(mero), b = median(bare);
    std::printf("runs: %d (median wall time from process start to exit after the main window is shown)\n", runs);
    std::printf("start-up sequence with the delivered database: %8.1f ms\n", m);
    std::printf("bare Qt window program:                        %8.1f ms\n", b);
    std::printf("ratio: %.2f\n", m / b);
    return 0;
}
