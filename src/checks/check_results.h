#pragma once

// The check result list: one row per failed check of the runs since the last PrepareCheckResults,
// kept in the order "ROK;SVAZ;SUBJEKT1;SUBJEKT2;ID;PORADI_ZAVAZNOSTI;KODNORMALIZOVANY;".

#include <QString>
#include <QStringList>

#include <vector>

namespace mero {

struct TCheckResult {
    QString ID;          // key text of the agreement's registration; empty from a sheet
    QString ID_SVAZ;
    QString SVAZ;
    QString ID_SUBJEKT1; // employer key text
    QString SUBJEKT1;
    QString ID_SUBJEKT2; // union organisation key text
    QString SUBJEKT2;
    int ROK = 0;
    int PORADI_TYPKONTROLY = 0;
    QString TYP_KONTROLY;
    int PORADI_ZAVAZNOSTI = 0;
    QString ZAVAZNOST;
    QString KODNORMALIZOVANY;
    QString KOD;
    QString TEXT;
    QString HODNOTA;
};

class TCheckResults {
public:
    // The fields of the list, in order, and their text widths (0 for the integer fields).
    static const QStringList& FieldNames();
    static int FieldWidth(const QString& field);
    // The index fields of the sort order.
    static QString IndexFieldNames() { return QStringLiteral("ROK;SVAZ;SUBJEKT1;SUBJEKT2;ID;PORADI_ZAVAZNOSTI;KODNORMALIZOVANY;"); }

    // Appends a row; texts longer than their field are cut to the field's width.
    void Append(TCheckResult row);
    void Clear();
    int RecordCount() const { return static_cast<int>(m_rows.size()); }
    bool IsEmpty() const { return m_rows.empty(); }
    // The rows in the list's order (rows equal in every sort field keep the order they were added in).
    const std::vector<TCheckResult>& Rows() const;
    const TCheckResult& Row(int index) const { return Rows()[static_cast<size_t>(index)]; }
    // The value of a field of a row as text (integers in decimal).
    static QString FieldText(const TCheckResult& row, int fieldIndex);

private:
    void sort() const;
    mutable std::vector<TCheckResult> m_rows;
    mutable bool m_sorted = true;
};

} // namespace mero
