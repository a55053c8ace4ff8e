#include "data/settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace mero {

namespace {

QString stripQuotes(const QString& value) {
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        return value.mid(1, value.size() - 2);
    return value;
}

// Reads one section of an INI file. Lines: "[section]", "name=value", comments starting with ';' or
// '#', blank lines. Surrounding blanks are dropped; a value in double quotes keeps its inner blanks.
std::optional<SettingsStore::Key> readSection(const QString& file, const QString& wanted,
                                              QHash<QString, QString>* values) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    bool found = false;
    bool inside = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inside = SettingsStore::normalizedKeyPath(line.mid(1, line.size() - 2)) == wanted;
            found = found || inside;
            continue;
        }
        if (!inside)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString name = line.left(eq).trimmed().toLower();
        if (!values->contains(name)) // the first entry of a name counts
            values->insert(name, stripQuotes(line.mid(eq + 1).trimmed()));
    }
    if (!found)
        return std::nullopt;
    return SettingsStore::Key();
}

} // namespace

std::optional<QString> SettingsStore::Key::value(const QString& name) const {
    const auto it = m_values.constFind(name.toLower());
    if (it == m_values.constEnd())
        return std::nullopt;
    return *it;
}

SettingsStore::SettingsStore() : m_folders(defaultFolders()) {}

SettingsStore::SettingsStore(QStringList folders) : m_folders(std::move(folders)) {}

QString SettingsStore::relativeFileName() {
    return QStringLiteral("Velmora/mero.ini");
}

QString SettingsStore::normalizedKeyPath(const QString& keyPath) {
    QString p = keyPath;
    p.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QStringList parts = p.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    QStringList trimmed;
    for (const QString& part : parts)
        trimmed.append(part.trimmed().toLower());
    return trimmed.join(QLatin1Char('\\'));
}

QString SettingsStore::installationFolder(const QString& executableDir) {
    return QDir::cleanPath(executableDir + QStringLiteral("/../etc/xdg"));
}

QStringList SettingsStore::defaultFolders() {
    QStringList folders;
    const QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
    for (const QString& d : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(d))
            folders.append(QDir::cleanPath(d));
    if (folders.isEmpty())
        folders.append(QStringLiteral("/etc/xdg"));
    // The running program's own folder, without needing an application object.
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (!exe.isEmpty()) {
        const QString beside = installationFolder(QFileInfo(exe).absolutePath());
        if (!folders.contains(beside))
            folders.append(beside);
    }
    return folders;
}

QStringList SettingsStore::files() const {
    QStringList out;
    for (const QString& folder : m_folders)
        out.append(QDir(folder).filePath(relativeFileName()));
    return out;
}

std::optional<SettingsStore::Key> SettingsStore::openKey(const QString& keyPath) const {
    const QString wanted = normalizedKeyPath(keyPath);
    if (wanted.isEmpty())
        return std::nullopt;
    for (const QString& file : files()) {
        QHash<QString, QString> values;
        std::optional<Key> key = readSection(file, wanted, &values);
        if (key) {
            key->m_file = file;
            key->m_values = std::move(values);
            return key;
        }
    }
    return std::nullopt;
}

} // namespace mero
