#pragma once

#include "data/connection.h"

#include <QString>

namespace mero {

// Writes the transfer file: a new SQLite database with the structure of the registration and
// questionnaire tables of the local database and the rows of the agreements chosen for sending,
// with every row they refer to. It reads through the local connection (never writing to it) and
// writes through a connection of its own to the transfer file.
//
// The caller runs: construct, Connect, CreateStructure, ExportInstallations, ExportAgreements,
// Disconnect, destroy. Engine errors are not caught here: they reach the caller as DbError.
//
// Rows go in through one prepared INSERT OR IGNORE per table, in one transaction per table. Every
// value is stored as the SQL literal of its field (TDB::FieldLiteral) would store it: text and blobs
// with the very bytes of the local database, yes/no as 'Y'/'N', dates as 'yyyy-mm-dd', decimal
// numbers with 15 significant digits, NULL as NULL.
class TExport {
public:
    // Deletes any file at the path (with a journal left beside it) and prepares an unopened
    // connection. A file that cannot be deleted stays; CreateStructure then fails on it.
    TExport(Connection* local, const QString& path);
    ~TExport();
    TExport(const TExport&) = delete;
    TExport& operator=(const TExport&) = delete;

    // Opens the connection to the transfer file, creating the empty database file.
    void Connect();
    // Creates the transferred tables by the local database's own CREATE TABLE statements, the empty
    // CIS_SUBJ and CIS_ZOOS with the columns of SUBJ and ZOOS, and copies user_version.
    void CreateStructure();
    // Copies every INST row.
    void ExportInstallations();
    // Copies the EPKS rows the condition selects (SQL over the columns of EPKS, each written as
    // "EPKS.<column>"), with their union organisations, employers and questionnaire rows; referenced
    // rows are written before the EPKS rows that refer to them.
    void ExportAgreements(const QString& condition);
    // Copies the rows of one table that satisfy the condition (empty: all rows). The source table is
    // the name without a leading "CIS_"; the target is the name itself.
    void CopyTable(const QString& table, const QString& condition);
    void Disconnect();

    const QString& path() const { return m_path; }
    Connection* connection() { return &m_target; }

    // The tables the transfer file takes over from the local database, in the catalogue query's list.
    static const QStringList& TransferredTables();
    // The questionnaire tables in the order they are copied.
    static const QStringList& ContentTables();
    // The condition over `table` that selects its rows referred to by the EPKS rows the condition
    // selects, through the key pair ID_<keyName>, ID_INST_<keyName>.
    static QString ReferencedBy(const QString& table, const QString& keyName, const QString& condition);
    // The selection of the sending form: the year's agreements marked valid.
    static QString YearCondition(const QString& yearText);

private:
    Connection* m_local;
    Connection m_target;
    QString m_path;
};

// The whole export of one selection into a new transfer file at the path, in the order the sending
// form uses; the file is closed when it returns or throws.
void BuildTransferFile(Connection* local, const QString& path, const QString& condition);

} // namespace mero
