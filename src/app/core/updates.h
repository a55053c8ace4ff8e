#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

namespace mero {

class Connection;
class SettingsStore;

// One update read from the update file.
struct DataUpdate {
    int id = 0;        // 0 when missing, empty or not an integer
    QString structure; // SQL
    QString data;      // SQL
    int version = 0;   // new user_version; 0 or less: unchanged
};

// What a run of the data updates did.
struct UpdateRun {
    bool ok = true;
    bool fileFound = false;
    int levelBefore = 0;
    QList<int> applied; // ids applied, in order
    int failedId = 0;   // the update that failed, 0 when none (or when the file itself was bad)
    QString error;      // why the run failed
};

// Data updates from "updates.xml" beside the database. Class-level operations only.
class TUpdates {
public:
    TUpdates() = delete;

    // Applies every update whose number is above the database's update level, in file order, each
    // as one script that also raises the level, after copying the database to "<name>.<id-1>.db3".
    // False when an update failed (its transaction is rolled back, later updates are not tried) or
    // when the update file cannot be read as XML (nothing is applied).
    static bool ApplyUpdates(Connection* connection);
    static UpdateRun Run(Connection* connection);

    // The update file beside a database file.
    static QString UpdateFilePath(const QString& databasePath);
    // The backup name before update id ("data.db3", 7 -> "data.6.db3").
    static QString BackupPath(const QString& databasePath, int id);
    // Reads the update file; false (with the reason) when it is not well-formed XML.
    static bool ReadUpdateFile(const QString& path, QList<DataUpdate>* updates, QString* error);
    // The script of one update, lines separated by CR LF.
    static QString BuildScript(const DataUpdate& update);
};

// Starts the external program updater when it is due by the two values of the auto-update key.
void CheckForProgramUpdate(const QString& key);
// The same with the store, the updater's folder and the current time given.
void CheckForProgramUpdate(const SettingsStore& store, const QString& key, const QString& programFolder,
                           const QDateTime& now);
// A date in the user's short date format (of the given locale, by default the user's own), or in the
// Czech short date format ("3.12.2026", "03.12.26", "3. 12. 2026"); invalid when none. Two-digit
// years belong to this century.
QDate ParseShortDate(const QString& text, const QLocale& locale = QLocale::system());
// The file name of the updater in the program's folder.
QString UpdaterFileName();

// Starts the program at path with the parameter text as its arguments and its own folder as the
// working folder; does not wait. True when the process was started.
bool StartProgram(const QString& path, const QString& parameters);

} // namespace mero
