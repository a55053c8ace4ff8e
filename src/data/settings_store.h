#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace mero {

// The program's read-only settings: an INI file whose sections are key paths and whose entries are
// value names, the same paths and names the program would read from the machine-wide registry:
//
//     [SOFTWARE\Velmora\Nastel]
//     DataPath=%APPDATA%/mero/data.db3
//     [SOFTWARE\Velmora\Nastel\KorvaAutoUpdate]
//     CheckInterval=7
//     LastCheck=1.12.2026
//
// The file is "Velmora/mero.ini" in one of the store folders: the system configuration folders
// ($XDG_CONFIG_DIRS, default /etc/xdg) in their order, then the folder beside the installation
// (<prefix>/etc/xdg, where the program lives in <prefix>/bin). A key opens in the first file that
// has its section. Key paths and value names compare without regard to case, and "/" and "\" both
// separate the parts of a path. The installation writes the file; the program never does.
class SettingsStore {
public:
    // An opened key: the values of one section.
    class Key {
    public:
        // The value, or nothing when the key has no value of that name.
        std::optional<QString> value(const QString& name) const;
        // The value, or the empty text when missing.
        QString text(const QString& name) const { return value(name).value_or(QString()); }
        // The file the key was read from.
        const QString& file() const { return m_file; }

    private:
        friend class SettingsStore;
        QString m_file;
        QHash<QString, QString> m_values; // lower-case name -> value
    };

    // The store over the default folders.
    SettingsStore();
    // The store over the given folders, searched in order (for the installer and for tests).
    explicit SettingsStore(QStringList folders);

    // Opens a key for reading; nothing when no store file has it ("the key cannot be opened").
    std::optional<Key> openKey(const QString& keyPath) const;

    const QStringList& folders() const { return m_folders; }
    // The store files that would be searched, in order (whether or not they exist).
    QStringList files() const;

    // The default folders: $XDG_CONFIG_DIRS (or /etc/xdg), then <prefix>/etc/xdg of the running program.
    static QStringList defaultFolders();
    // The store file's name inside a folder.
    static QString relativeFileName();
    // The folder beside the installation for a program in executableDir (<prefix>/bin -> <prefix>/etc/xdg).
    static QString installationFolder(const QString& executableDir);

    static QString normalizedKeyPath(const QString& keyPath);

private:
    QStringList m_folders;
};

// The key paths the program reads.
inline constexpr const char* kProgramKey = "\\SOFTWARE\\Velmora\\Nastel\\";
inline constexpr const char* kAutoUpdateKey = "\\SOFTWARE\\Velmora\\Nastel\\KorvaAutoUpdate";

} // namespace mero
