#include "app/core/system.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace mero {

namespace {

// A folder that is ours alone: a real directory (not a link), owned by us, mode 0700. Creates it
// when missing. Tightens the mode of our own folder when it is wider.
bool ensurePrivateFolder(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    if ((st.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0)
        return false;
    return true;
}

QString computeTempPath() {
    const QString uid = QString::number(::getuid());
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) {
        const QString path = QDir::cleanPath(runtime) + QStringLiteral("/mero");
        if (ensurePrivateFolder(path))
            return path + QLatin1Char('/');
    }
    QString base = qEnvironmentVariable("TMPDIR");
    if (base.isEmpty() || !QDir::isAbsolutePath(base) || !QFileInfo(base).isDir())
        base = QStringLiteral("/tmp");
    const QString path = QDir::cleanPath(base) + QStringLiteral("/mero-") + uid;
    if (ensurePrivateFolder(path))
        return path + QLatin1Char('/');
    // Someone else holds the name: use a fresh private folder of our own for this run.
    static QTemporaryDir fallback(QDir::cleanPath(base) + QStringLiteral("/mero-") + uid + QStringLiteral("-XXXXXX"));
    if (fallback.isValid()) {
        ::chmod(QFile::encodeName(fallback.path()).constData(), 0700);
        return fallback.path() + QLatin1Char('/');
    }
    return QString();
}

} // namespace

QString TSystem::TempPath() {
    // Checked at every call: the folder may have been removed or replaced while the program runs.
    return computeTempPath();
}

QString TSystem::FormatVersion(int major, int minor) {
    return QString::asprintf("%d.%.2d", major, minor);
}

QString TSystem::ProgramVersion() {
#if defined(MERO_VERSION_MAJOR) && defined(MERO_VERSION_MINOR)
    return FormatVersion(MERO_VERSION_MAJOR, MERO_VERSION_MINOR);
#else
    return QString();
#endif
}

QString TSystem::ProgramFolder() {
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return exe.isEmpty() ? QDir::currentPath() : QFileInfo(exe).absolutePath();
}

void Log(const QString& text) {
    if (!InDebugger())
        return;
    QFile f(QStringLiteral("log.txt"));
    if (f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        f.write((text + QLatin1Char('\n')).toUtf8());
        f.close();
    }
}

bool InDebugger() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith("TracerPid:"))
            return line.mid(10).trimmed().toLongLong() != 0;
    }
    return false;
}

QString AppDataPath() {
    QString path = qEnvironmentVariable("XDG_DATA_HOME");
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        path = QDir::homePath() + QStringLiteral("/.local/share");
    path = QDir::cleanPath(path);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

} // namespace mero
