#include "app/core/updates.h"

#include "app/core/system.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/settings_store.h"
#include "data/sql_utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QXmlStreamReader>

namespace mero {

namespace {

int toIntOrZero(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
}

int updateLevel(Connection* connection) {
    const QVariant v =
        TDB::QueryValue(connection, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_UPDATE'"));
    return v.isNull() ? 0 : toIntOrZero(v.toString());
}

QString errorText(const std::exception& e) {
    if (const auto* m = dynamic_cast<const MeroError*>(&e))
        return m->message();
    return QString::fromUtf8(e.what());
}

} // namespace

QString TUpdates::UpdateFilePath(const QString& databasePath) {
    return QDir(QFileInfo(databasePath).absolutePath()).filePath(QStringLiteral("updates.xml"));
}

QString TUpdates::BackupPath(const QString& databasePath, int id) {
    const QFileInfo fi(databasePath);
    const QString base = fi.suffix().isEmpty() ? fi.fileName() : fi.completeBaseName();
    return QDir(fi.absolutePath()).filePath(QStringLiteral("%1.%2.db3").arg(base).arg(id - 1));
}

bool TUpdates::ReadUpdateFile(const QString& path, QList<DataUpdate>* updates, QString* error) {
    updates->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Soubor aktualizací nelze otevřít: %1").arg(file.errorString());
        return false;
    }
    // The reader takes the encoding from the XML declaration (UTF-8 when none is named).
    QXmlStreamReader xml(&file);
    QList<DataUpdate> read;
    if (xml.readNextStartElement()) {
        while (xml.readNextStartElement()) {
            if (xml.name() != QLatin1String("update")) {
                xml.skipCurrentElement();
                continue;
            }
            DataUpdate u;
            bool seenId = false, seenStructure = false, seenData = false, seenVersion = false;
            while (xml.readNextStartElement()) {
                const QString name = xml.name().toString();
                const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                // The first child element of a name gives the value.
                if (name == QLatin1String("id") && !seenId) {
                    u.id = toIntOrZero(text);
                    seenId = true;
                } else if (name == QLatin1String("structure") && !seenStructure) {
                    u.structure = text;
                    seenStructure = true;
                } else if (name == QLatin1String("data") && !seenData) {
                    u.data = text;
                    seenData = true;
                } else if (name == QLatin1String("version") && !seenVersion) {
                    u.version = toIntOrZero(text);
                    seenVersion = true;
                }
            }
            read.append(u);
        }
    }
    // Read to the end so that anything malformed after the document element is seen too.
    while (!xml.atEnd() && !xml.hasError())
        xml.readNext();
    if (xml.hasError()) {
        *error = QStringLiteral("Soubor aktualizací není platný XML dokument (řádek %1, sloupec %2: %3).")
                     .arg(xml.lineNumber())
                     .arg(xml.columnNumber())
                     .arg(xml.errorString());
        return false;
    }
    *updates = read;
    return true;
}

QString TUpdates::BuildScript(const DataUpdate& update) {
    QStringList lines;
    lines << QStringLiteral("begin;") << update.structure << update.data;
    if (update.version > 0)
        lines << QStringLiteral("PRAGMA user_version = %1;").arg(update.version);
    lines << QStringLiteral("UPDATE AUTOINC SET HODNOTA = %1 WHERE TABULKA = 'ID_UPDATE';").arg(update.id);
    // A database without the level row gets one, so that an applied update is never run again.
    lines << QStringLiteral("INSERT INTO AUTOINC (TABULKA, HODNOTA) SELECT 'ID_UPDATE', %1 WHERE NOT EXISTS "
                            "(SELECT 1 FROM AUTOINC WHERE TABULKA = 'ID_UPDATE');")
                 .arg(update.id);
    lines << QStringLiteral("commit;");
    return lines.join(QStringLiteral("\r\n"));
}

UpdateRun TUpdates::Run(Connection* connection) {
    UpdateRun run;
    if (!connection || !connection->isOpen()) {
        run.ok = false;
        run.error = QStringLiteral("Databáze není otevřena.");
        return run;
    }
    const int level = updateLevel(connection);
    run.levelBefore = level;
    const QString databasePath = connection->path();
    const QString updateFile = UpdateFilePath(databasePath);
    if (!QFileInfo(updateFile).isFile())
        return run;
    run.fileFound = true;

    QList<DataUpdate> updates;
    if (!ReadUpdateFile(updateFile, &updates, &run.error)) {
        run.ok = false;
        return run;
    }
    for (const DataUpdate& u : updates) {
        if (u.id <= level)
            continue;
        const QString backup = BackupPath(databasePath, u.id);
        if (!QFileInfo::exists(backup))
            QFile::copy(databasePath, backup); // a failed copy does not stop the update
        try {
            TDB::Execute(connection, BuildScript(u));
            run.applied.append(u.id);
        } catch (const std::exception& e) {
            run.ok = false;
            run.failedId = u.id;
            run.error = errorText(e);
            // The script's transaction must not stay open: the database returns to its state
            // before this update.
            if (connection->inTransaction()) {
                try {
                    connection->execute(QStringLiteral("rollback;"));
                } catch (const std::exception&) {
                }
            }
            break;
        }
    }
    return run;
}

bool TUpdates::ApplyUpdates(Connection* connection) {
    return Run(connection).ok;
}

QString UpdaterFileName() {
    return QStringLiteral("korvaAutoUpdate");
}

QDate ParseShortDate(const QString& text, const QLocale& locale) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QDate();
    auto thisCentury = [](QDate d) { return d.isValid() && d.year() < 1970 ? d.addYears(100) : d; };
    const QString own = locale.dateFormat(QLocale::ShortFormat);
    if (const QDate d = locale.toDate(t, own); d.isValid())
        return own.contains(QLatin1String("yyyy")) ? d : thisCentury(d);
    for (const char* format : {"d.M.yyyy", "d. M. yyyy"}) {
        const QDate d = QDate::fromString(t, QLatin1String(format));
        if (d.isValid())
            return d;
    }
    for (const char* format : {"d.M.yy", "d. M. yy"}) {
        const QDate d = QDate::fromString(t, QLatin1String(format));
        if (d.isValid())
            return thisCentury(d);
    }
    return QDate();
}

bool StartProgram(const QString& path, const QString& parameters) {
    const QFileInfo fi(path);
    const QStringList arguments = QProcess::splitCommand(parameters);
    return QProcess::startDetached(fi.absoluteFilePath(), arguments, fi.absolutePath());
}

void CheckForProgramUpdate(const SettingsStore& store, const QString& key, const QString& programFolder,
                           const QDateTime& now) {
    int interval = -1;
    QString lastCheck;
    if (const auto k = store.openKey(key)) {
        if (const auto v = k->value(QStringLiteral("CheckInterval"))) {
            bool ok = false;
            const int i = v->trimmed().toInt(&ok);
            interval = ok ? i : -1;
        }
        if (const auto v = k->value(QStringLiteral("LastCheck")))
            lastCheck = *v;
    }
    if (interval < 0)
        return;
    const QDate date = ParseShortDate(lastCheck);
    // An empty or invalid date counts as the earliest date of the scale. The time since the last check
    // is counted on the calendar (whole days between the dates plus the part of today gone), so that a
    // change of clocks in between moves nothing.
    const QDate last = date.isValid() ? date : QDate(1899, 12, 30);
    const double elapsedDays =
        double(last.daysTo(now.date())) + double(now.time().msecsSinceStartOfDay()) / 86400000.0;
    if (interval != 0 && double(interval) > elapsedDays)
        return;
    StartProgram(QDir(programFolder).filePath(UpdaterFileName()), QStringLiteral("-x -ui:off"));
}

void CheckForProgramUpdate(const QString& key) {
    CheckForProgramUpdate(SettingsStore(), key, TSystem::ProgramFolder(), QDateTime::currentDateTime());
}

} // namespace mero
