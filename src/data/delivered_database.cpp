#include "data/delivered_database.h"

#include "data/connection.h"
#include "data/errors.h"
#include "questionnaire/check_catalogue.h"
#include "questionnaire/item_catalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace mero {

namespace {

const QString kSchema = QStringLiteral(":/db/schema.sql");
const QString kCodeLists = QStringLiteral(":/db/codelists.sql");
const QString kSamples = QStringLiteral(":/db/samples.sql");
const QString kBookkeeping = QStringLiteral(":/db/bookkeeping.sql");

QList<DeliveredDatabase::Step>& registered() {
    static QList<DeliveredDatabase::Step> steps;
    return steps;
}

// Content generated from other descriptions of the program, run after the SQL sources in this order.
QList<DeliveredDatabase::Step> builtInGenerators() {
    return {{QStringLiteral("katalog položek"), [](Connection& connection) { ItemCatalogue::write(connection); }},
            {QStringLiteral("katalog kontrol"), [](Connection& connection) { CheckCatalogue::Write(connection); }}};
}

QString nativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

QStringList DeliveredDatabase::sources() {
    return {kSchema, kCodeLists, kSamples, kBookkeeping};
}

void DeliveredDatabase::addGenerator(const QString& name, Generator generator) {
    registered().append({name, std::move(generator)});
}

QList<DeliveredDatabase::Step> DeliveredDatabase::generators() {
    return builtInGenerators() + registered();
}

void DeliveredDatabase::clearGenerators() {
    registered().clear();
}

void DeliveredDatabase::runSource(Connection& connection, const QString& source) {
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        throw MeroError(QStringLiteral("Zdrojový soubor databáze %1 nelze přečíst.").arg(source));
    const QByteArray bytes = file.readAll();
    const QString sql = QString::fromUtf8(bytes);
    if (sql.contains(QChar::ReplacementCharacter))
        throw MeroError(QStringLiteral("Zdrojový soubor databáze %1 není v kódování UTF-8.").arg(source));
    try {
        connection.execute(sql);
    } catch (const MeroError& e) {
        throw DbError(QStringLiteral("Chyba ve zdrojovém souboru databáze %1: %2")
                          .arg(QFileInfo(source).fileName(), e.message()));
    }
}

void DeliveredDatabase::generateContent(Connection& connection) {
    for (const Step& step : generators()) {
        try {
            step.run(connection);
        } catch (const MeroError& e) {
            throw DbError(
                QStringLiteral("Nelze vytvořit obsah databáze „%1“: %2").arg(step.name, e.message()));
        } catch (const std::exception& e) {
            throw DbError(QStringLiteral("Nelze vytvořit obsah databáze „%1“: %2")
                              .arg(step.name, QString::fromLocal8Bit(e.what())));
        }
    }
}

void DeliveredDatabase::create(const QString& path, Existing existing) {
    if (path.trimmed().isEmpty())
        throw MeroError(QStringLiteral("Není zadána cesta k vytvářené databázi."));
    const QFileInfo target(path);
    const QString targetPath = target.absoluteFilePath();
    const QString folder = target.absolutePath();
    const QFileInfo folderInfo(folder);
    if (!folderInfo.exists() || !folderInfo.isDir())
        throw MeroError(
            QStringLiteral("Databázi nelze vytvořit: složka %1 neexistuje.").arg(nativePath(folder)));
    if (target.isDir())
        throw MeroError(QStringLiteral("Databázi nelze vytvořit: %1 je složka.").arg(nativePath(targetPath)));
    if (target.exists() && existing == Existing::Refuse)
        throw MeroError(QStringLiteral("Soubor %1 již existuje; existující databázi příkaz nepřepíše.")
                            .arg(nativePath(targetPath)));

    // Build beside the target, so that the final rename stays within one file system.
    QTemporaryFile temporary(QDir(folder).filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    if (!temporary.open())
        throw MeroError(
            QStringLiteral("Databázi nelze vytvořit: do složky %1 nelze zapisovat.").arg(nativePath(folder)));
    const QString temporaryPath = temporary.fileName();
    temporary.close();

    {
        Connection connection;
        try {
            connection.open(temporaryPath, Connection::OpenMode::Create);
            connection.execute(QStringLiteral("BEGIN"));
            runSource(connection, kSchema);
            runSource(connection, kCodeLists);
            runSource(connection, kSamples);
            generateContent(connection);
            runSource(connection, kBookkeeping);
            connection.execute(QStringLiteral("COMMIT"));
        } catch (const MeroError& e) {
            connection.close();
            QFile::remove(temporaryPath + QStringLiteral("-journal"));
            throw DbError(
                QStringLiteral("Databázi %1 nelze vytvořit.\n[%2]").arg(nativePath(targetPath), e.message()));
        }
        connection.close();
    }

    QFile::setPermissions(temporaryPath,
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    // rename() replaces an existing target in one step; the temporary file is removed on failure.
    const QByteArray from = QFile::encodeName(temporaryPath);
    const QByteArray to = QFile::encodeName(targetPath);
    if (std::rename(from.constData(), to.constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        throw MeroError(QStringLiteral("Databázi %1 nelze uložit: %2").arg(nativePath(targetPath), reason));
    }
    temporary.setAutoRemove(false);
}

} // namespace mero
