#pragma once

// The check result list: one row per failed check of the runs since the last PrepareCheckResults,
// kept in the order "ROK;SVAZ;SUBJEKT1;SUBJEKT2;ID;PORADI_ZAVAZNOSTI;KODNORMALIZOVANY;".

#include <QString>
#include <QStringList>

#include <cstddef>
#include <iterator>
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

// Rows in a given order without copying them: a plain vector of rows, or the rows of a result list
// through its sort order. Valid while the rows it looks at are unchanged.
class TCheckResultRows {
public:
    TCheckResultRows(const std::vector<TCheckResult>& rows) : m_rows(&rows) {} // NOLINT: a vector is a row list
    TCheckResultRows(const std::vector<TCheckResult>& rows, const std::vector<quint32>& order)
        : m_rows(&rows), m_order(&order) {}

    size_t size() const { return m_rows->size(); }
    bool empty() const { return m_rows->empty(); }
    const TCheckResult& operator[](size_t i) const { return (*m_rows)[m_order ? (*m_order)[i] : i]; }

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = TCheckResult;
        using difference_type = std::ptrdiff_t;
        using pointer = const TCheckResult*;
        using reference = const TCheckResult&;
        const_iterator(const TCheckResultRows* rows, size_t index) : m_list(rows), m_index(index) {}
        reference operator*() const { return (*m_list)[m_index]; }
        pointer operator->() const { return &(*m_list)[m_index]; }
        const_iterator& operator++() {
            ++m_index;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++m_index;
            return before;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.m_index == b.m_index; }

    private:
        const TCheckResultRows* m_list;
        size_t m_index;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    const std::vector<TCheckResult>* m_rows;
    const std::vector<quint32>* m_order = nullptr;
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
    // Appends a copy of a row whose texts are cut already, to be completed in place; the reference
    // is valid until the next change of the list.
    TCheckResult& AppendCut(const TCheckResult& row);
    // Cuts the texts of a row to their fields' widths.
    static void Cut(TCheckResult& row);
    void Clear();
    int RecordCount() const { return static_cast<int>(m_rows.size()); }
    bool IsEmpty() const { return m_rows.empty(); }
    // The rows in the list's order (rows equal in every sort field keep the order they were added in).
    TCheckResultRows Rows() const;
    const TCheckResult& Row(int index) const { return Rows()[static_cast<size_t>(index)]; }
    // The value of a field of a row as text (integers in decimal).
    static QString FieldText(const TCheckResult& row, int fieldIndex);

private:
    void sort() const;
    // Extends the runs over the rows added since the last call.
    void extendRuns() const;

    // Rows m_runs[i] .. m_runs[i + 1] - 1 are consecutive rows of one agreement in the list's order
    // (a check run appends an agreement's rows so); found as rows are added, while they are at hand.
    mutable std::vector<size_t> m_runs;
    mutable size_t m_classified = 0; // rows already assigned to a run
    std::vector<TCheckResult> m_rows; // in the order they were added
    mutable std::vector<quint32> m_order; // row indexes in the list's order, once sorted
    mutable bool m_sorted = true;
};

} // namespace mero
