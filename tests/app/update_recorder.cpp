// Stands in for the external program updater in tests: writes its working folder and its arguments,
// one per line, to "recorded.txt" beside itself.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

int main(int argc, char* argv[]) {
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString folder = QFileInfo(self).absolutePath();
    QByteArray out = QDir::currentPath().toUtf8() + '\n';
    for (int i = 1; i < argc; ++i)
        out += QByteArray(argv[i]) + '\n';
    QFile f(folder + QStringLiteral("/recorded.tmp"));
    if (!f.open(QIODevice::WriteOnly))
        return 1;
    f.write(out);
    f.close();
    return QFile::rename(folder + QStringLiteral("/recorded.tmp"), folder + QStringLiteral("/recorded.txt")) ? 0 : 1;
}
