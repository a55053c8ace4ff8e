#include "data/dataset.h"

#include "data/connection.h"
#include "data/errors.h"
#include "data/text_codec.h"

#include <QCollator>
#include <QHash>
#include <QLocale>

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <limits>

namespace mero {

namespace {

// One value of a row, 16 bytes: numbers, yes/no and dates inline, text and blobs on the heap.
class Cell {
public:
    enum Tag : quint8 { Null, Int, Real, Bool, Date, DateTime, Text, Blob };

    Cell() { m_u.i = 0; }
    ~Cell() { release(); }
    Cell(const Cell& o) { copyFrom(o); }
    Cell(Cell&& o) noexcept : m_tag(o.m_tag) {
        m_u = o.m_u;
        o.m_tag = Null;
        o.m_u.i = 0;
    }
    Cell& operator=(const Cell& o) {
        if (this != &o) {
            release();
            copyFrom(o);
        }
        return *this;
    }
    Cell& operator=(Cell&& o) noexcept {
        if (this != &o) {
            release();
            m_tag = o.m_tag;
            m_u = o.m_u;
            o.m_tag = Null;
            o.m_u.i = 0;
        }
        return *this;
    }

    static Cell integer(qlonglong v) {
        Cell c;
        c.m_tag = Int;
        c.m_u.i = v;
        return c;
    }
    static Cell real(double v) {
        Cell c;
        c.m_tag = Real;
        c.m_u.d = v;
        return c;
    }
    static Cell boolean(bool v) {
        Cell c;
        c.m_tag = Bool;
        c.m_u.i = v ? 1 : 0;
        return c;
    }
    static Cell date(const QDate& v) {
        Cell c;
        c.m_tag = Date;
        c.m_u.i = v.toJulianDay();
        return c;
    }
    static Cell dateTime(const QDateTime& v) {
        Cell c;
        c.m_tag = DateTime;
        c.m_u.i = v.date().toJulianDay() * 86400000LL + v.time().msecsSinceStartOfDay();
        return c;
    }
    static Cell text(const QString& v) {
        Cell c;
        c.m_tag = Text;
        c.m_u.s = new QString(v);
        return c;
    }
    static Cell blob(const QByteArray& v) {
        Cell c;
        c.m_tag = Blob;
        c.m_u.b = new QByteArray(v);
        return c;
    }

    Tag tag() const { return m_tag; }
    bool isNull() const { return m_tag == Null; }
    qlonglong i() const { return m_u.i; }
    double d() const { return m_u.d; }
    const QString& s() const { return *m_u.s; }

    QVariant toVariant() const {
        switch (m_tag) {
        case Null:
            return QVariant();
        case Int:
            return QVariant(qlonglong(m_u.i));
        case Real:
            return QVariant(m_u.d);
        case Bool:
            return QVariant(m_u.i != 0);
        case Date:
            return QVariant(QDate::fromJulianDay(m_u.i));
        case DateTime: {
            const qint64 day = m_u.i >= 0 ? m_u.i / 86400000LL : (m_u.i - 86399999LL) / 86400000LL;
            const qint64 ms = m_u.i - day * 86400000LL;
            return QVariant(QDateTime(QDate::fromJulianDay(day), QTime::fromMSecsSinceStartOfDay(int(ms))));
        }
        case Text:
            return QVariant(*m_u.s);
        case Blob:
            return QVariant(*m_u.b);
        }
        return QVariant();
    }

    bool operator==(const Cell& o) const {
        if (m_tag != o.m_tag)
            return false;
        switch (m_tag) {
        case Null:
            return true;
        case Real:
            return m_u.d == o.m_u.d;
        case Text:
            return *m_u.s == *o.m_u.s;
        case Blob:
            return *m_u.b == *o.m_u.b;
        default:
            return m_u.i == o.m_u.i;
        }
    }
    bool operator!=(const Cell& o) const { return !(*this == o); }

    // A text that identifies the value within its type, for hashing.
    void appendKey(QString& out) const {
        switch (m_tag) {
        case Null:
            out += QLatin1Char('n');
            break;
        case Int:
        case Bool:
        case Date:
        case DateTime:
            out += QLatin1Char('i');
            out += QString::number(m_u.i);
            break;
        case Real:
            // Integral reals meet integers of the same value.
            if (std::floor(m_u.d) == m_u.d && std::abs(m_u.d) < 9e15) {
                out += QLatin1Char('i');
                out += QString::number(qlonglong(m_u.d));
            } else {
                out += QLatin1Char('r');
                out += QString::number(m_u.d, 'g', 17);
            }
            break;
        case Text:
            out += QLatin1Char('t');
            out += *m_u.s;
            break;
        case Blob:
            out += QLatin1Char('b');
            out += QString::fromLatin1(m_u.b->toHex());
            break;
        }
        out += QChar(0x1E);
    }

private:
    void release() {
        if (m_tag == Text)
            delete m_u.s;
        else if (m_tag == Blob)
            delete m_u.b;
        m_tag = Null;
    }
    void copyFrom(const Cell& o) {
        m_tag = o.m_tag;
        if (m_tag == Text)
            m_u.s = new QString(*o.m_u.s);
        else if (m_tag == Blob)
            m_u.b = new QByteArray(*o.m_u.b);
        else
            m_u = o.m_u;
    }

    union {
        qint64 i;
        double d;
        QString* s;
        QByteArray* b;
    } m_u;
    Tag m_tag = Null;
};

struct Row {
    std::vector<Cell> cells;
    qint64 rowid = 0;
};

QString quoteIdent(const QString& name) {
    QString out = QStringLiteral("\"");
    for (QChar c : name) {
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    out += QLatin1Char('"');
    return out;
}

FieldType typeOfDeclared(const QString& declared, int* size) {
    *size = 0;
    const QString t = declared.trimmed().toUpper();
    if (t.isEmpty())
        return FieldType::Memo;
    if (t.contains(QLatin1String("INT")))
        return FieldType::Integer;
    if (t.startsWith(QLatin1String("BOOL")))
        return FieldType::YesNo;
    if (t == QLatin1String("DATE"))
        return FieldType::Date;
    if (t.startsWith(QLatin1String("DATETIME")) || t.startsWith(QLatin1String("TIMESTAMP")))
        return FieldType::DateTime;
    static const char* numeric[] = {"NUMERIC", "DECIMAL", "REAL", "FLOAT", "DOUBLE", "NUMBER", "MONEY", "CURRENCY"};
    for (const char* n : numeric)
        if (t.startsWith(QLatin1String(n)))
            return FieldType::Decimal;
    const int open = t.indexOf(QLatin1Char('('));
    if (open > 0) {
        const QString base = t.left(open).trimmed();
        const int close = t.indexOf(QLatin1Char(')'), open);
        bool ok = false;
        const int n = t.mid(open + 1, close - open - 1).trimmed().toInt(&ok);
        if (ok && n > 0 &&
            (base.endsWith(QLatin1String("CHAR")) || base == QLatin1String("TEXT") ||
             base == QLatin1String("CHARACTER") || base.endsWith(QLatin1String("VARCHAR")))) {
            *size = n;
            return FieldType::Text;
        }
    }
    return FieldType::Memo;
}

// The text of a normal number whose shortest round-trip form has at most 15 significant digits, in
// the form of formatDecimal; an empty string for any other number. Such a number's shortest form is
// also its nearest 15-digit decimal, so the result equals the 'g' formatting with precision 15 without
// its cost (that formatting takes a slow exact path for most numbers).
static QString formatShortDecimal(double d) {
    if (!std::isnormal(d))
        return QString();
    char buf[40];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf - 1, d, std::chars_format::scientific);
    if (r.ec != std::errc())
        return QString();
    *r.ptr = 0;
    const char* p = buf;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    char digits[24];
    int count = 0;
    for (; *p && *p != 'e'; ++p) {
        if (*p == '.')
            continue;
        if (count == 15)
            return QString();
        digits[count++] = *p;
    }
    if (*p != 'e')
        return QString();
    const int exponent = std::atoi(p + 1);
    while (count > 1 && digits[count - 1] == '0')
        --count;
    char out[48];
    int o = 0;
    if (negative)
        out[o++] = '-';
    if (exponent < -4 || exponent >= 15) {
        out[o++] = digits[0];
        if (count > 1) {
            out[o++] = '.';
            for (int i = 1; i < count; ++i)
                out[o++] = digits[i];
        }
        out[o++] = 'E';
        if (exponent < 0)
            out[o++] = '-';
        o += std::snprintf(out + o, sizeof out - size_t(o), "%d", std::abs(exponent));
    } else if (exponent < 0) {
        out[o++] = '0';
        out[o++] = '.';
        for (int i = 0; i < -exponent - 1; ++i)
            out[o++] = '0';
        for (int i = 0; i < count; ++i)
            out[o++] = digits[i];
    } else {
        for (int i = 0; i <= exponent; ++i)
            out[o++] = i < count ? digits[i] : '0';
        if (count > exponent + 1) {
            out[o++] = '.';
            for (int i = exponent + 1; i < count; ++i)
                out[o++] = digits[i];
        }
    }
    return QString::fromLatin1(out, o);
}

QString formatDecimal(double d) {
    if (d == 0)
        return QStringLiteral("0");
    if (QString fast = formatShortDecimal(d); !fast.isEmpty())
        return fast;
    QString s = QString::number(d, 'g', 15);
    // "1e+20" -> "1E20", "1e-05" -> "1E-5"
    const int e = s.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        QString mant = s.left(e);
        QString exp = s.mid(e + 1);
        bool neg = exp.startsWith(QLatin1Char('-'));
        if (exp.startsWith(QLatin1Char('+')) || neg)
            exp.remove(0, 1);
        while (exp.size() > 1 && exp.startsWith(QLatin1Char('0')))
            exp.remove(0, 1);
        s = mant + QLatin1Char('E') + (neg ? QStringLiteral("-") : QString()) + exp;
    }
    return s;
}

QString canonicalText(const Cell& c) {
    switch (c.tag()) {
    case Cell::Null:
        return QString();
    case Cell::Int:
        return QString::number(c.i());
    case Cell::Real:
        return formatDecimal(c.d());
    case Cell::Bool:
        return c.i() ? QStringLiteral("Y") : QStringLiteral("N");
    case Cell::Date:
        return QDate::fromJulianDay(c.i()).toString(QStringLiteral("yyyy-MM-dd"));
    case Cell::DateTime:
        return c.toVariant().toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    case Cell::Text:
        return c.s();
    case Cell::Blob:
        return c.toVariant().toString();
    }
    return QString();
}

bool parseInteger(const QString& text, qlonglong* out) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    for (int i = 0; i < t.size(); ++i) {
        const ushort u = t.at(i).unicode();
        if (u >= '0' && u <= '9')
            continue;
        if (i == 0 && (u == '-' || u == '+') && t.size() > 1)
            continue;
        return false;
    }
    bool ok = false;
    *out = t.toLongLong(&ok);
    return ok;
}

bool parseDecimal(const QString& text, double* out) {
    QString t = text.trimmed();
    t.remove(QChar(0x00A0));
    t.remove(QChar(0x202F));
    t.remove(QLatin1Char(' '));
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    if (t.isEmpty())
        return false;
    for (QChar c : t) {
        const ushort u = c.unicode();
        if (!((u >= '0' && u <= '9') || u == '.' || u == '-' || u == '+' || u == 'e' || u == 'E'))
            return false;
    }
    bool ok = false;
    const double d = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(d))
        return false;
    *out = d;
    return true;
}

QDate parseDate(const QString& text) {
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
    if (d.isValid() && (t.size() == 10 || t.at(10) == QLatin1Char(' ') || t.at(10) == QLatin1Char('T')))
        return d;
    const QString datePart = t.section(QLatin1Char(' '), 0, 0);
    d = QDate::fromString(datePart, QStringLiteral("d.M.yyyy"));
    return d;
}

QDateTime parseDateTime(const QString& text) {
    const QString t = text.trimmed();
    static const char* formats[] = {"yyyy-MM-dd hh:mm:ss", "yyyy-MM-ddThh:mm:ss", "yyyy-MM-dd hh:mm", "yyyy-MM-dd",
                                    "d.M.yyyy H:mm:ss",    "d.M.yyyy H:mm",       "d.M.yyyy"};
    for (const char* f : formats) {
        QDateTime dt = QDateTime::fromString(t, QString::fromLatin1(f));
        if (dt.isValid())
            return dt;
    }
    QDateTime dt = QDateTime::fromString(t, Qt::ISODateWithMs);
    return dt;
}

QString describe(const QVariant& v) {
    return v.toString();
}

// A value read from the file, stored by the field's type; a value that the type cannot read stays as
// it was read so that nothing is lost.
Cell cellFromDb(const QVariant& v, FieldType type) {
    if (!v.isValid() || v.isNull())
        return Cell();
    const int id = v.typeId();
    if (id == QMetaType::QByteArray)
        return Cell::blob(v.toByteArray());
    switch (type) {
    case FieldType::Integer:
        if (id == QMetaType::LongLong)
            return Cell::integer(v.toLongLong());
        if (id == QMetaType::Double) {
            const double d = v.toDouble();
            if (std::floor(d) == d && std::abs(d) < 9e18)
                return Cell::integer(qlonglong(d));
            return Cell::real(d);
        }
        {
            qlonglong i;
            if (parseInteger(v.toString(), &i))
                return Cell::integer(i);
        }
        return Cell::text(v.toString());
    case FieldType::Decimal:
        if (id == QMetaType::LongLong || id == QMetaType::Double)
            return Cell::real(v.toDouble());
        {
            double d;
            if (parseDecimal(v.toString(), &d))
                return Cell::real(d);
        }
        return Cell::text(v.toString());
    case FieldType::YesNo: {
        if (id == QMetaType::LongLong)
            return Cell::integer(v.toLongLong());
        const QString s = v.toString();
        if (s == QLatin1String("Y"))
            return Cell::boolean(true);
        if (s == QLatin1String("N"))
            return Cell::boolean(false);
        return Cell::text(s);
    }
    case FieldType::Date: {
        if (id == QMetaType::QString) {
            const QDate d = parseDate(v.toString());
            if (d.isValid())
                return Cell::date(d);
            return Cell::text(v.toString());
        }
        if (id == QMetaType::Double || id == QMetaType::LongLong)
            return id == QMetaType::Double ? Cell::real(v.toDouble()) : Cell::integer(v.toLongLong());
        return Cell::text(v.toString());
    }
    case FieldType::DateTime: {
        if (id == QMetaType::QString) {
            const QDateTime d = parseDateTime(v.toString());
            if (d.isValid())
                return Cell::dateTime(d);
            return Cell::text(v.toString());
        }
        if (id == QMetaType::Double || id == QMetaType::LongLong)
            return id == QMetaType::Double ? Cell::real(v.toDouble()) : Cell::integer(v.toLongLong());
        return Cell::text(v.toString());
    }
    case FieldType::Text:
    case FieldType::Memo:
        if (id == QMetaType::QString)
            return Cell::text(v.toString());
        if (id == QMetaType::LongLong)
            return Cell::text(QString::number(v.toLongLong()));
        if (id == QMetaType::Double)
            return Cell::text(formatDecimal(v.toDouble()));
        return Cell::text(v.toString());
    }
    return Cell();
}

// The variant a cell binds as.
QVariant bindValue(const Cell& c) {
    return c.toVariant();
}

// The value a program writes into a field, converted to the field's type; throws when it cannot be.
// A calculated text is cut to the field's width, a data text that is too long is refused.
Cell coerce(const Field& f, const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return Cell();
    const int id = v.typeId();
    const bool isString = id == QMetaType::QString;
    if (isString && !f.isText() && v.toString().trimmed().isEmpty())
        return Cell();
    switch (f.type()) {
    case FieldType::Integer: {
        switch (id) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Long:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
            return Cell::integer(v.toLongLong());
        case QMetaType::Double:
        case QMetaType::Float: {
            const double d = v.toDouble();
            if (std::isfinite(d) && std::floor(d) == d && std::abs(d) < 9e18)
                return Cell::integer(qlonglong(d));
            break;
        }
        default: {
            qlonglong i;
            if (parseInteger(v.toString(), &i))
                return Cell::integer(i);
        }
        }
        throw FieldValueError(QStringLiteral("'%1' není platné celé číslo.").arg(describe(v)));
    }
    case FieldType::Decimal: {
        switch (id) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Long:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float: {
            const double d = v.toDouble();
            if (std::isfinite(d))
                return Cell::real(d);
            break;
        }
        default: {
            double d;
            if (parseDecimal(v.toString(), &d))
                return Cell::real(d);
        }
        }
        throw FieldValueError(QStringLiteral("'%1' není platné číslo.").arg(describe(v)));
    }
    case FieldType::YesNo: {
        if (id == QMetaType::Bool)
            return Cell::boolean(v.toBool());
        if (id == QMetaType::Int || id == QMetaType::LongLong || id == QMetaType::UInt) {
            const qlonglong i = v.toLongLong();
            if (i == 0 || i == 1)
                return Cell::boolean(i == 1);
        } else if (isString) {
            const QString s = v.toString().trimmed();
            if (s == QLatin1String("Y"))
                return Cell::boolean(true);
            if (s == QLatin1String("N"))
                return Cell::boolean(false);
        }
        throw FieldValueError(QStringLiteral("'%1' není platná hodnota ano/ne.").arg(describe(v)));
    }
    case FieldType::Date: {
        if (id == QMetaType::QDate && v.toDate().isValid())
            return Cell::date(v.toDate());
        if (id == QMetaType::QDateTime && v.toDateTime().isValid())
            return Cell::date(v.toDateTime().date());
        if (isString) {
            const QDate d = parseDate(v.toString());
            if (d.isValid())
                return Cell::date(d);
        }
        throw FieldValueError(QStringLiteral("'%1' není platné datum.").arg(describe(v)));
    }
    case FieldType::DateTime: {
        if (id == QMetaType::QDateTime && v.toDateTime().isValid())
            return Cell::dateTime(v.toDateTime());
        if (id == QMetaType::QDate && v.toDate().isValid())
            return Cell::dateTime(v.toDate().startOfDay());
        if (isString) {
            const QDateTime d = parseDateTime(v.toString());
            if (d.isValid())
                return Cell::dateTime(d);
        }
        throw FieldValueError(QStringLiteral("'%1' není platné datum a čas.").arg(describe(v)));
    }
    case FieldType::Text:
    case FieldType::Memo: {
        QString s;
        switch (id) {
        case QMetaType::Bool:
            s = v.toBool() ? QStringLiteral("Y") : QStringLiteral("N");
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            s = formatDecimal(v.toDouble());
            break;
        case QMetaType::QDate:
            s = v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
            break;
        default:
            s = v.toString();
        }
        if (f.size() > 0 && s.size() > f.size()) {
            if (f.kind() != FieldKind::Data)
                s.truncate(f.size());
            else
                throw FieldValueError(QStringLiteral("Text je delší než %1 znaků.").arg(f.size()));
        }
        if (!TextCodec::canEncode(s))
            throw EncodingError(TextCodec::unencodableMessage(s));
        return Cell::text(s);
    }
    }
    return Cell();
}

} // namespace

bool parseDecimalText(const QString& text, double* out) {
    return parseDecimal(text, out);
}

QString formatDecimalText(double value) {
    return formatDecimal(value);
}

QDate parseDateText(const QString& text) {
    return parseDate(text);
}

QDateTime parseDateTimeText(const QString& text) {
    return parseDateTime(text);
}

// ------------------------------------------------------------------------------------------------

struct Dataset::Impl {
    Dataset* q;
    Connection* conn = nullptr;
    QString table, sql, insertSql, modifySql, deleteSql;
    bool readOnly = false;
    bool active = false;
    QStringList keyFields;
    QString insertRowIdField;

    std::vector<std::unique_ptr<Field>> fields;
    quint64 fieldsVersion = 0; // changes whenever fields are added or removed
    bool explicitFields = false;
    std::vector<int> sourceColumn; // per field: the result column, -1 for calculated and lookup
    bool hasCalc = false;
    bool hasLookup = false;

    std::vector<Row> rows;   // every row held, in sort order (a pending insert at the end)
    std::vector<int> vis;    // visible rows (positions into rows) when not allVisible
    bool allVisible = true;
    int cur = -1;            // current visible row
    bool eof = true, bof = true;

    DatasetState state = DatasetState::Inactive;
    Row buffer;   // the row being edited or inserted
    Row original; // the row as it was when editing started
    bool modified = false;
    int insertAbs = -1;   // position in rows of the pending insert
    int prevCur = -1;     // current row before append

    bool autoCalc = true;
    RowFilter filter;
    Dataset* master = nullptr;
    QStringList detailFieldNames, masterFieldNames;
    QList<Dataset*> details;
    QStringList sortFields;
    int disableCount = 0;
    bool pendingReset = false;

    const Row* override = nullptr; // a row read during calculation or filtering
    Row* calcTarget = nullptr;

    // Key indexes over rows: field list -> value key -> positions ascending.
    mutable QHash<QString, QHash<QString, std::vector<int>>> indexes;

    explicit Impl(Dataset* dataset) : q(dataset) {}

    int visibleCount() const { return allVisible ? int(rows.size()) : int(vis.size()); }
    int absOf(int visibleRow) const { return allVisible ? visibleRow : vis[size_t(visibleRow)]; }

    bool signalsOn() const { return disableCount == 0; }

    const Row* currentRow() const {
        if (override)
            return override;
        if (state == DatasetState::Edit || state == DatasetState::Insert)
            return &buffer;
        if (cur < 0 || cur >= visibleCount())
            return nullptr;
        return &rows[size_t(absOf(cur))];
    }

    const Row* visibleRow(int row) const {
        if (override && row == -2)
            return override;
        if (row < 0 || row >= visibleCount())
            return nullptr;
        if (row == cur && (state == DatasetState::Edit || state == DatasetState::Insert))
            return &buffer;
        return &rows[size_t(absOf(row))];
    }

    void invalidateIndexes() { indexes.clear(); }

    bool isQuery() const { return table.isEmpty(); }

    void requireConnection() const {
        if (!conn || !conn->isOpen())
            throw DbError(QStringLiteral("Databáze není připojena."));
    }

    QString selectSql() const {
        if (!table.isEmpty())
            return QStringLiteral("SELECT rowid AS \"__rowid__\", * FROM ") + quoteIdent(table);
        return sql;
    }

    Field* makeField(const QString& name, FieldType type, FieldKind kind, int size) {
        fieldListCache.clear();
        ++fieldsVersion;
        auto* f = new Field(q, name, type, kind, size, int(fields.size()));
        fields.emplace_back(f);
        if (kind == FieldKind::Calculated)
            hasCalc = true;
        if (kind == FieldKind::Lookup)
            hasLookup = true;
        return f;
    }

    // Creates data fields for the source columns (reads only the first row, to type expression columns
    // of a query that have no declared type).
    void createFieldsFromSource(Statement& stmt, bool stepped, bool hasRow) {
        const int first = table.isEmpty() ? 0 : 1;
        for (int c = first; c < stmt.columnCount(); ++c) {
            int size = 0;
            const QString decl = stmt.declaredType(c);
            FieldType type = typeOfDeclared(decl, &size);
            if (decl.isEmpty() && stepped && hasRow) {
                const QVariant v = stmt.value(c);
                if (v.typeId() == QMetaType::LongLong)
                    type = FieldType::Integer;
                else if (v.typeId() == QMetaType::Double)
                    type = FieldType::Decimal;
            }
            makeField(stmt.columnName(c), type, FieldKind::Data, size);
        }
    }

    void mapColumns(Statement& stmt) {
        QHash<QString, int> byName;
        const int first = table.isEmpty() ? 0 : 1;
        for (int c = stmt.columnCount() - 1; c >= first; --c)
            byName.insert(stmt.columnName(c).toUpper(), c);
        sourceColumn.assign(fields.size(), -1);
        for (size_t i = 0; i < fields.size(); ++i) {
            if (fields[i]->kind() != FieldKind::Data)
                continue;
            auto it = byName.constFind(fields[i]->name().toUpper());
            if (it == byName.constEnd())
                throw DbError(QStringLiteral("%1: pole '%2' nebylo nalezeno.").arg(q->name(), fields[i]->name()));
            sourceColumn[i] = it.value();
        }
    }

    Row readRow(Statement& stmt) const {
        Row r;
        r.cells.resize(fields.size());
        for (size_t i = 0; i < fields.size(); ++i) {
            const int c = sourceColumn[i];
            if (c >= 0)
                r.cells[i] = cellFromDb(stmt.value(c), fields[i]->type());
        }
        if (!table.isEmpty())
            r.rowid = stmt.value(0).toLongLong();
        return r;
    }

    void computeCalcs(Row& row) {
        if (!hasCalc)
            return;
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i]->kind() == FieldKind::Calculated)
                row.cells[i] = Cell();
        if (!q->OnCalcFields)
            return;
        const Row* savedOverride = override;
        Row* savedTarget = calcTarget;
        override = &row;
        calcTarget = &row;
        try {
            q->OnCalcFields(*q);
        } catch (...) {
            override = savedOverride;
            calcTarget = savedTarget;
            throw;
        }
        override = savedOverride;
        calcTarget = savedTarget;
    }

    // Reads every row of the source.
    void load() {
        requireConnection();
        Statement stmt = conn->prepare(selectSql());
        if (fields.empty()) {
            const bool hasRow = stmt.step();
            createFieldsFromSource(stmt, true, hasRow);
            stmt.reset();
        }
        mapColumns(stmt);
        std::vector<Row> fresh;
        while (stmt.step())
            fresh.push_back(readRow(stmt));
        rows.swap(fresh);
        for (Row& r : rows)
            computeCalcs(r);
        sortRows();
        invalidateIndexes();
    }

    int compareCells(const Cell& a, const Cell& b, const QCollator& collator) const {
        if (a.isNull() || b.isNull())
            return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
        if (a.tag() == Cell::Text && b.tag() == Cell::Text)
            return collator.compare(a.s(), b.s());
        auto num = [](const Cell& c, double* out) {
            switch (c.tag()) {
            case Cell::Int:
            case Cell::Bool:
            case Cell::Date:
            case Cell::DateTime:
                *out = double(c.i());
                return true;
            case Cell::Real:
                *out = c.d();
                return true;
            default:
                return false;
            }
        };
        double x, y;
        if (num(a, &x) && num(b, &y)) {
            if (a.tag() == b.tag() && a.tag() != Cell::Real)
                return a.i() < b.i() ? -1 : (a.i() > b.i() ? 1 : 0);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        return collator.compare(canonicalText(a), canonicalText(b));
    }

    void sortRows() {
        if (sortFields.isEmpty())
            return;
        std::vector<int> idx;
        for (const QString& name : sortFields) {
            Field* f = q->findField(name);
            if (f)
                idx.push_back(f->index());
        }
        if (idx.empty())
            return;
        QCollator collator{QLocale(QLocale::Czech, QLocale::CzechRepublic)};
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
            for (int i : idx) {
                const int c = compareCells(a.cells[size_t(i)], b.cells[size_t(i)], collator);
                if (c != 0)
                    return c < 0;
            }
            return false;
        });
    }

    // Value keys -------------------------------------------------------------------------------
    QString keyOf(const Row& r, const std::vector<int>& idx) const {
        QString k;
        for (int i : idx)
            r.cells[size_t(i)].appendKey(k);
        return k;
    }

    const QHash<QString, std::vector<int>>& indexFor(const std::vector<int>& idx) const {
        QString sig;
        for (int i : idx)
            sig += QString::number(i) + QLatin1Char(';');
        auto it = indexes.find(sig);
        if (it != indexes.end())
            return it.value();
        QHash<QString, std::vector<int>> index;
        index.reserve(qsizetype(rows.size()));
        for (int p = 0; p < int(rows.size()); ++p) {
            if (p == insertAbs)
                continue;
            index[keyOf(rows[size_t(p)], idx)].push_back(p);
        }
        return indexes.insert(sig, std::move(index)).value();
    }

    mutable QHash<QString, std::vector<int>> fieldListCache; // field names -> indexes (fields are fixed while open)

    std::vector<int> fieldIndexes(const QString& names) const {
        auto it = fieldListCache.constFind(names);
        if (it != fieldListCache.constEnd())
            return it.value();
        std::vector<int> idx;
        const QStringList list = names.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString& n : list)
            idx.push_back(q->fieldByName(n.trimmed())->index());
        fieldListCache.insert(names, idx);
        return idx;
    }
    std::vector<int> fieldIndexes(const QStringList& names) const { return fieldIndexes(names.join(QLatin1Char(';'))); }

    // The key of search values; false when a value cannot be of its field's type (no row can match).
    bool searchKey(const std::vector<int>& idx, const QVariantList& values, QString* key) const {
        if (int(values.size()) != int(idx.size()))
            return false;
        key->clear();
        for (size_t i = 0; i < idx.size(); ++i) {
            const Field& f = *fields[size_t(idx[i])];
            Cell c;
            try {
                const QVariant& v = values.at(qsizetype(i));
                if (f.isText() && v.isValid() && !v.isNull())
                    c = Cell::text(v.toString());
                else
                    c = coerce(f, v);
            } catch (const std::exception&) {
                return false;
            }
            c.appendKey(*key);
        }
        return true;
    }

    // Positions in rows of the rows whose fields equal the values, ascending.
    const std::vector<int>* matching(const std::vector<int>& idx, const QVariantList& values) const {
        QString key;
        if (!searchKey(idx, values, &key))
            return nullptr;
        const auto& index = indexFor(idx);
        auto it = index.constFind(key);
        if (it == index.constEnd())
            return nullptr;
        return &it.value();
    }

    int visibleOfAbs(int abs) const {
        if (allVisible)
            return abs;
        auto it = std::lower_bound(vis.begin(), vis.end(), abs);
        if (it != vis.end() && *it == abs)
            return int(it - vis.begin());
        return -1;
    }

    // Visible rows -----------------------------------------------------------------------------
    bool passesFilter(int abs) {
        if (!filter)
            return true;
        const Row* saved = override;
        override = &rows[size_t(abs)];
        bool ok = false;
        try {
            ok = filter(*q, abs);
        } catch (...) {
            override = saved;
            throw;
        }
        override = saved;
        return ok;
    }

    void rebuildVisible() {
        const bool linked = master && !detailFieldNames.isEmpty();
        if (!linked && !filter) {
            allVisible = true;
            vis.clear();
            return;
        }
        allVisible = false;
        vis.clear();
        if (linked) {
            if (!master->isActive() || master->isEmpty()) {
                return;
            }
            QVariantList values;
            for (const QString& m : masterFieldNames)
                values.append(master->fieldByName(m)->value());
            const auto* hits = matching(fieldIndexes(detailFieldNames), values);
            if (hits)
                for (int p : *hits)
                    if (passesFilter(p))
                        vis.push_back(p);
        } else {
            for (int p = 0; p < int(rows.size()); ++p)
                if (p != insertAbs && passesFilter(p))
                    vis.push_back(p);
        }
    }

    void emitReset() {
        if (!signalsOn()) {
            pendingReset = true;
            return;
        }
        Q_EMIT q->dataReset();
        Q_EMIT q->currentRowChanged(cur);
    }

    void emitState() {
        if (signalsOn())
            Q_EMIT q->stateChanged(state);
        else
            pendingReset = true;
    }

    void scrolled() {
        if (q->AfterScroll)
            q->AfterScroll(*q);
        followDetails();
    }

    void followDetails() {
        for (Dataset* d : details)
            d->d->masterMoved();
    }

    void masterMoved() {
        if (!active)
            return;
        if (state == DatasetState::Edit || state == DatasetState::Insert)
            q->post();
        rebuildVisible();
        cur = visibleCount() > 0 ? 0 : -1;
        bof = true;
        eof = cur < 0;
        emitReset();
        scrolled();
    }

    void checkBrowse() {
        if (state == DatasetState::Edit || state == DatasetState::Insert)
            q->post();
    }

    void requireActive() const {
        if (!active)
            throw DbError(QStringLiteral("Datová sada %1 není otevřena.").arg(q->name()));
    }

    void requireWritable(const QString& statement) const {
        if (readOnly || (isQuery() && statement.isEmpty()))
            throw DbError(QStringLiteral("Datová sada %1 je jen pro čtení.").arg(q->name()));
    }

    void moveTo(int row) {
        const int count = visibleCount();
        if (count == 0) {
            bof = eof = true;
            if (cur != -1) {
                cur = -1;
                if (signalsOn())
                    Q_EMIT q->currentRowChanged(cur);
            }
            return;
        }
        row = std::clamp(row, 0, count - 1);
        if (row == cur)
            return;
        cur = row;
        if (signalsOn())
            Q_EMIT q->currentRowChanged(cur);
        scrolled();
    }

    // Writing ----------------------------------------------------------------------------------
    void bindNamed(Statement& stmt, const Row& now, const Row& old) {
        const int n = sqlite3_bind_parameter_count(stmt.handle());
        for (int p = 1; p <= n; ++p) {
            const char* raw = sqlite3_bind_parameter_name(stmt.handle(), p);
            if (!raw)
                throw DbError(QStringLiteral("%1: nepojmenovaný parametr příkazu.").arg(q->name()));
            QString name = QString::fromUtf8(raw + 1);
            Field* f = q->findField(name);
            const Row* source = &now;
            if (!f && name.startsWith(QLatin1String("OLD_"), Qt::CaseInsensitive)) {
                f = q->findField(name.mid(4));
                source = &old;
            }
            if (!f)
                throw DbError(QStringLiteral("%1: parametr '%2' nemá pole.").arg(q->name(), name));
            stmt.bind(p, bindValue(source->cells[size_t(f->index())]));
        }
    }

    void runStatement(const QString& text, const Row& now, const Row& old) {
        requireConnection();
        Statement stmt = conn->prepare(text);
        bindNamed(stmt, now, old);
        while (stmt.step()) {
        }
    }

    void writeInsert(Row& row) {
        requireConnection();
        if (isQuery()) {
            runStatement(insertSql, row, row);
            if (!insertRowIdField.isEmpty()) {
                Field* f = q->fieldByName(insertRowIdField);
                row.cells[size_t(f->index())] = Cell::integer(conn->lastInsertRowId());
            }
            return;
        }
        QStringList cols, marks;
        QVariantList values;
        for (size_t i = 0; i < fields.size(); ++i) {
            if (fields[i]->kind() != FieldKind::Data || row.cells[i].isNull())
                continue;
            cols << quoteIdent(fields[i]->name());
            marks << QStringLiteral("?");
            values << bindValue(row.cells[i]);
        }
        QString text = QStringLiteral("INSERT INTO ") + quoteIdent(table);
        if (cols.isEmpty())
            text += QStringLiteral(" DEFAULT VALUES");
        else
            text += QStringLiteral(" (") + cols.join(QLatin1Char(',')) + QStringLiteral(") VALUES (") +
                    marks.join(QLatin1Char(',')) + QLatin1Char(')');
        {
            Statement stmt = conn->prepare(text);
            stmt.bindAll(values);
            stmt.step();
        }
        row.rowid = conn->lastInsertRowId();
        // Read the row back: the database may have filled keys and defaults.
        Statement back = conn->prepare(selectSql() + QStringLiteral(" WHERE rowid = ?"));
        back.bind(1, row.rowid);
        if (back.step()) {
            Row fresh = readRow(back);
            for (size_t i = 0; i < fields.size(); ++i)
                if (fields[i]->kind() == FieldKind::Data)
                    row.cells[i] = std::move(fresh.cells[i]);
        }
    }

    void writeUpdate(const Row& row, const Row& old) {
        if (isQuery()) {
            runStatement(modifySql, row, old);
            return;
        }
        QStringList sets;
        QVariantList values;
        for (size_t i = 0; i < fields.size(); ++i) {
            if (fields[i]->kind() != FieldKind::Data || row.cells[i] == old.cells[i])
                continue;
            sets << quoteIdent(fields[i]->name()) + QStringLiteral(" = ?");
            values << bindValue(row.cells[i]);
        }
        if (sets.isEmpty())
            return;
        requireConnection();
        values << QVariant(row.rowid);
        Statement stmt = conn->prepare(QStringLiteral("UPDATE ") + quoteIdent(table) + QStringLiteral(" SET ") +
                                       sets.join(QStringLiteral(", ")) + QStringLiteral(" WHERE rowid = ?"));
        stmt.bindAll(values);
        stmt.step();
    }

    void writeDelete(const Row& row) {
        if (isQuery()) {
            runStatement(deleteSql, row, row);
            return;
        }
        requireConnection();
        Statement stmt = conn->prepare(QStringLiteral("DELETE FROM ") + quoteIdent(table) + QStringLiteral(" WHERE rowid = ?"));
        stmt.bind(1, row.rowid);
        stmt.step();
    }

    // Identity of the current record, for refresh.
    struct Identity {
        bool valid = false;
        qint64 rowid = 0;
        QString key;
        int recNo = -1;
    };

    Identity identity() const {
        Identity id;
        id.recNo = cur;
        const Row* r = (cur >= 0 && cur < visibleCount()) ? &rows[size_t(absOf(cur))] : nullptr;
        if (!r)
            return id;
        if (!table.isEmpty()) {
            id.valid = true;
            id.rowid = r->rowid;
        } else if (!keyFields.isEmpty()) {
            id.valid = true;
            id.key = keyOf(*r, fieldIndexes(keyFields));
        }
        return id;
    }

    int findIdentity(const Identity& id) const {
        if (!id.valid)
            return -1;
        if (!table.isEmpty()) {
            for (int v = 0; v < visibleCount(); ++v)
                if (rows[size_t(absOf(v))].rowid == id.rowid)
                    return v;
            return -1;
        }
        const auto idx = fieldIndexes(keyFields);
        const auto& index = indexFor(idx);
        auto it = index.constFind(id.key);
        if (it == index.constEnd())
            return -1;
        for (int p : it.value()) {
            const int v = visibleOfAbs(p);
            if (v >= 0)
                return v;
        }
        return -1;
    }
};

// ------------------------------------------------------------------------------------------------
// Field

QVariant Field::value() const {
    const Dataset::Impl& d = *m_dataset->d;
    if (m_kind == FieldKind::Lookup) {
        if (!lookupDataset || lookupResultField.isEmpty())
            return QVariant();
        QVariantList keys;
        for (const QString& k : keyFields) {
            Field* f = m_dataset->findField(k);
            keys.append(f ? f->value() : QVariant());
        }
        return lookupDataset->lookup(lookupKeyFields.join(QLatin1Char(';')), keys, lookupResultField);
    }
    const Row* r = d.currentRow();
    if (!r)
        return QVariant();
    return r->cells[size_t(m_index)].toVariant();
}

bool Field::isNull() const {
    if (m_kind == FieldKind::Lookup)
        return value().isNull();
    const Row* r = m_dataset->d->currentRow();
    return !r || r->cells[size_t(m_index)].isNull();
}

static QString textOfVariant(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return QString();
    switch (v.typeId()) {
    case QMetaType::Double:
        return formatDecimal(v.toDouble());
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("Y") : QStringLiteral("N");
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QDateTime:
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    default:
        return v.toString();
    }
}

QString Field::asString() const {
    return textOfVariant(value());
}

static QString displayOf(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return QString();
    switch (v.typeId()) {
    case QMetaType::Double: {
        QString s = formatDecimal(v.toDouble());
        if (!s.contains(QLatin1Char('E')))
            s.replace(QLatin1Char('.'), QLatin1Char(','));
        return s;
    }
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("ano") : QStringLiteral("ne");
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("d.M.yyyy"));
    case QMetaType::QDateTime:
        return v.toDateTime().toString(QStringLiteral("d.M.yyyy H:mm:ss"));
    default:
        return v.toString();
    }
}

QString Field::displayText() const {
    return displayOf(value());
}

qlonglong Field::asInteger() const {
    const QVariant v = value();
    if (!v.isValid() || v.isNull())
        return 0;
    switch (v.typeId()) {
    case QMetaType::LongLong:
        return v.toLongLong();
    case QMetaType::Double:
        return qlonglong(v.toDouble());
    case QMetaType::Bool:
        return v.toBool() ? 1 : 0;
    default: {
        qlonglong i;
        if (parseInteger(v.toString(), &i))
            return i;
        double d;
        if (parseDecimal(v.toString(), &d))
            return qlonglong(d);
        return 0;
    }
    }
}

double Field::asFloat() const {
    // Numbers straight from the cell; the checks read many.
    if (m_kind != FieldKind::Lookup) {
        const Row* r = m_dataset->d->currentRow();
        if (!r)
            return 0;
        const Cell* c = &r->cells[size_t(m_index)];
        switch (c->tag()) {
        case Cell::Null:
            return 0;
        case Cell::Int:
        case Cell::Bool:
            return double(c->i());
        case Cell::Real:
            return c->d();
        default:
            break;
        }
    }
    const QVariant v = value();
    if (!v.isValid() || v.isNull())
        return 0;
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Double:
        return v.toDouble();
    case QMetaType::Bool:
        return v.toBool() ? 1 : 0;
    default: {
        double d;
        return parseDecimal(v.toString(), &d) ? d : 0;
    }
    }
}

bool Field::asBoolean() const {
    if (m_kind != FieldKind::Lookup) {
        const Row* r = m_dataset->d->currentRow();
        if (!r)
            return false;
        const Cell* c = &r->cells[size_t(m_index)];
        switch (c->tag()) {
        case Cell::Null:
            return false;
        case Cell::Int:
        case Cell::Bool:
            return c->i() != 0;
        case Cell::Real:
            return c->d() != 0;
        default:
            break;
        }
    }
    const QVariant v = value();
    if (!v.isValid() || v.isNull())
        return false;
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::LongLong:
    case QMetaType::Double:
        return v.toDouble() != 0;
    default: {
        const QString s = v.toString().trimmed();
        return s == QLatin1String("Y") || s == QLatin1String("y") || s == QLatin1String("1") ||
               s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    }
    }
}

QDate Field::asDate() const {
    const QVariant v = value();
    switch (v.typeId()) {
    case QMetaType::QDate:
        return v.toDate();
    case QMetaType::QDateTime:
        return v.toDateTime().date();
    case QMetaType::QString:
        return parseDate(v.toString());
    default:
        return QDate();
    }
}

bool Field::canAccept(const QVariant& value, QString* message) const {
    try {
        coerce(*this, value);
        return true;
    } catch (const MeroError& e) {
        if (message)
            *message = e.message();
        return false;
    }
}

void Field::setValue(const QVariant& value) {
    Dataset::Impl& d = *m_dataset->d;
    if (d.calcTarget) {
        // Inside the calculation event: calculated fields of the row under calculation.
        if (m_kind != FieldKind::Calculated)
            throw DbError(QStringLiteral("Pole %1 nelze měnit při výpočtu.").arg(m_name));
        d.calcTarget->cells[size_t(m_index)] = coerce(*this, value);
        return;
    }
    if (m_kind != FieldKind::Data)
        throw DbError(QStringLiteral("Pole %1 je počítané a nelze je měnit.").arg(m_name));
    if (m_readOnly)
        throw DbError(QStringLiteral("Pole %1 je jen pro čtení.").arg(m_name));
    if (!m_dataset->isEditing())
        throw DbError(QStringLiteral("Datová sada %1 není v režimu úprav.").arg(m_dataset->name()));
    Cell c = coerce(*this, value);
    Cell& slot = d.buffer.cells[size_t(m_index)];
    if (slot == c)
        return;
    slot = std::move(c);
    d.modified = true;
    std::vector<Cell> calcBefore;
    if (d.hasCalc && d.autoCalc) {
        for (size_t i = 0; i < d.fields.size(); ++i)
            if (d.fields[i]->kind() == FieldKind::Calculated)
                calcBefore.push_back(d.buffer.cells[i]);
        d.computeCalcs(d.buffer);
    }
    if (!d.signalsOn()) {
        d.pendingReset = true;
        return;
    }
    Q_EMIT m_dataset->valueChanged(this);
    if (!calcBefore.empty()) {
        size_t k = 0;
        for (size_t i = 0; i < d.fields.size(); ++i) {
            if (d.fields[i]->kind() != FieldKind::Calculated)
                continue;
            if (calcBefore[k++] != d.buffer.cells[i])
                Q_EMIT m_dataset->valueChanged(d.fields[i].get());
        }
    }
    if (d.hasLookup)
        for (auto& f : d.fields)
            if (f->kind() == FieldKind::Lookup && f->keyFields.contains(m_name, Qt::CaseInsensitive))
                Q_EMIT m_dataset->valueChanged(f.get());
}

void Field::setAsString(const QString& text) {
    if (!isText() && text.trimmed().isEmpty()) {
        setValue(QVariant());
        return;
    }
    setValue(QVariant(text));
}

// ------------------------------------------------------------------------------------------------
// Dataset

Dataset::Dataset(QString name, QObject* parent) : QObject(parent), d(std::make_unique<Impl>(this)), m_name(std::move(name)) {
    setObjectName(m_name);
}

Dataset::~Dataset() {
    if (d->master)
        d->master->d->details.removeAll(this);
    for (Dataset* det : d->details)
        det->d->master = nullptr;
}

void Dataset::setConnection(Connection* connection) { d->conn = connection; }
Connection* Dataset::connection() const { return d->conn; }
void Dataset::setTableName(const QString& table) { d->table = table; }
const QString& Dataset::tableName() const { return d->table; }
void Dataset::setSql(const QString& sql) { d->sql = sql; }
const QString& Dataset::sql() const { return d->sql; }
void Dataset::setInsertSql(const QString& sql) { d->insertSql = sql; }
void Dataset::setModifySql(const QString& sql) { d->modifySql = sql; }
void Dataset::setDeleteSql(const QString& sql) { d->deleteSql = sql; }
void Dataset::setReadOnly(bool readOnly) { d->readOnly = readOnly; }
bool Dataset::isReadOnly() const { return d->readOnly || (d->isQuery() && d->insertSql.isEmpty() && d->modifySql.isEmpty() && d->deleteSql.isEmpty()); }
void Dataset::setKeyFields(const QString& fields) { d->keyFields = fields.split(QLatin1Char(';'), Qt::SkipEmptyParts); }
void Dataset::setInsertRowIdField(const QString& field) { d->insertRowIdField = field; }

void Dataset::open() {
    if (d->active)
        return;
    d->load();
    d->active = true;
    d->state = DatasetState::Browse;
    d->insertAbs = -1;
    d->rebuildVisible();
    d->cur = d->visibleCount() > 0 ? 0 : -1;
    d->bof = true;
    d->eof = d->cur < 0;
    d->emitState();
    d->emitReset();
    if (AfterOpen)
        AfterOpen(*this);
    d->scrolled();
}

void Dataset::close() {
    if (!d->active)
        return;
    d->active = false;
    d->state = DatasetState::Inactive;
    d->rows.clear();
    d->vis.clear();
    d->allVisible = true;
    d->cur = -1;
    d->insertAbs = -1;
    d->modified = false;
    d->invalidateIndexes();
    d->fieldListCache.clear();
    if (!d->explicitFields) {
        d->fields.clear();
        ++d->fieldsVersion;
        d->sourceColumn.clear();
        d->hasCalc = d->hasLookup = false;
    }
    d->emitState();
    d->emitReset();
    d->followDetails();
}

bool Dataset::isActive() const { return d->active; }

void Dataset::refresh() {
    if (!d->active) {
        open();
        return;
    }
    d->checkBrowse();
    const Impl::Identity id = d->identity();
    d->load();
    d->insertAbs = -1;
    d->rebuildVisible();
    int row = d->findIdentity(id);
    if (row < 0)
        row = d->visibleCount() == 0 ? -1 : std::clamp(id.recNo, 0, d->visibleCount() - 1);
    d->cur = row;
    d->bof = d->cur <= 0;
    d->eof = d->cur < 0;
    d->emitReset();
    if (AfterRefresh)
        AfterRefresh(*this);
    d->followDetails();
}

int Dataset::fieldCount() const { return int(d->fields.size()); }
quint64 Dataset::fieldsVersion() const { return d->fieldsVersion; }

Field* Dataset::field(int index) const {
    if (index < 0 || index >= int(d->fields.size()))
        return nullptr;
    return d->fields[size_t(index)].get();
}

Field* Dataset::findField(const QString& name) const {
    for (const auto& f : d->fields)
        if (f->name().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

Field* Dataset::fieldByName(const QString& name) const {
    Field* f = findField(name);
    if (!f)
        throw DbError(QStringLiteral("%1: pole '%2' nebylo nalezeno.").arg(m_name, name));
    return f;
}

bool Dataset::hasExplicitFields() const { return d->explicitFields; }

Field* Dataset::addField(const QString& name, FieldType type, FieldKind kind, int size) {
    if (d->active)
        throw DbError(QStringLiteral("Datová sada %1 je otevřena; pole nelze přidat.").arg(m_name));
    if (findField(name))
        throw DbError(QStringLiteral("%1: pole '%2' již existuje.").arg(m_name, name));
    d->explicitFields = true;
    return d->makeField(name, type, kind, size);
}

void Dataset::createSourceFields() {
    if (d->active)
        throw DbError(QStringLiteral("Datová sada %1 je otevřena; pole nelze přidat.").arg(m_name));
    d->requireConnection();
    Statement stmt = d->conn->prepare(d->selectSql());
    const bool hasRow = stmt.step();
    d->createFieldsFromSource(stmt, true, hasRow);
    d->explicitFields = true;
}

int Dataset::recordCount() const { return d->active ? d->visibleCount() : 0; }
int Dataset::recNo() const { return d->active ? d->cur : -1; }

void Dataset::setRecNo(int row) {
    d->requireActive();
    if (row == d->cur && !isEditing())
        return;
    d->checkBrowse();
    d->bof = row <= 0;
    d->eof = d->visibleCount() == 0;
    d->moveTo(row);
}

void Dataset::first() {
    d->requireActive();
    d->checkBrowse();
    d->moveTo(0);
    d->bof = true;
    d->eof = d->visibleCount() == 0;
}

void Dataset::last() {
    d->requireActive();
    d->checkBrowse();
    d->moveTo(d->visibleCount() - 1);
    d->eof = true;
    d->bof = d->visibleCount() == 0;
}

void Dataset::next() {
    d->requireActive();
    d->checkBrowse();
    if (d->cur + 1 < d->visibleCount()) {
        d->moveTo(d->cur + 1);
        d->bof = false;
        d->eof = false;
    } else {
        d->eof = true;
    }
}

void Dataset::prior() {
    d->requireActive();
    d->checkBrowse();
    if (d->cur > 0) {
        d->moveTo(d->cur - 1);
        d->bof = false;
        d->eof = false;
    } else {
        d->bof = true;
    }
}

bool Dataset::eof() const { return !d->active || d->eof; }
bool Dataset::bof() const { return !d->active || d->bof; }

bool Dataset::locate(const QString& fields, const QVariantList& values, bool caseInsensitive) {
    d->requireActive();
    const std::vector<int> idx = d->fieldIndexes(fields);
    int found = -1;
    if (!caseInsensitive) {
        d->checkBrowse();
        const auto* hits = d->matching(idx, values);
        if (hits)
            for (int p : *hits) {
                const int v = d->visibleOfAbs(p);
                if (v >= 0) {
                    found = v;
                    break;
                }
            }
    } else {
        if (int(values.size()) != int(idx.size()))
            return false;
        d->checkBrowse();
        for (int v = 0; v < d->visibleCount() && found < 0; ++v) {
            const Row& r = d->rows[size_t(d->absOf(v))];
            bool all = true;
            for (size_t i = 0; i < idx.size() && all; ++i) {
                const Cell& c = r.cells[size_t(idx[i])];
                const QVariant& want = values.at(qsizetype(i));
                if (c.isNull() || !want.isValid() || want.isNull())
                    all = c.isNull() && (!want.isValid() || want.isNull());
                else
                    all = canonicalText(c).compare(textOfVariant(want), Qt::CaseInsensitive) == 0;
            }
            if (all)
                found = v;
        }
    }
    if (found < 0)
        return false;
    d->bof = d->eof = false;
    d->moveTo(found);
    return true;
}

int Dataset::indexOf(const QString& fields, const QVariantList& values) const {
    if (!d->active)
        return -1;
    const auto* hits = d->matching(d->fieldIndexes(fields), values);
    if (hits)
        for (int p : *hits) {
            const int v = d->visibleOfAbs(p);
            if (v >= 0)
                return v;
        }
    return -1;
}

QVariant Dataset::lookup(const QString& fields, const QVariantList& values, const QString& resultField) const {
    if (!d->active)
        return QVariant();
    const std::vector<int> idx = d->fieldIndexes(fields);
    const Field* result = fieldByName(resultField);
    const auto* hits = d->matching(idx, values);
    if (!hits)
        return QVariant();
    for (int p : *hits) {
        if (d->visibleOfAbs(p) < 0)
            continue;
        if (result->kind() == FieldKind::Lookup) {
            const Row* saved = d->override;
            d->override = &d->rows[size_t(p)];
            const QVariant v = result->value();
            d->override = saved;
            return v;
        }
        return d->rows[size_t(p)].cells[size_t(result->index())].toVariant();
    }
    return QVariant();
}

QVariant Dataset::valueAt(int row, int fieldIndex) const {
    const Field* f = field(fieldIndex);
    if (!f || !d->active)
        return QVariant();
    const Row* r = nullptr;
    if (d->override && !d->calcTarget && d->filter && row >= 0 && row < int(d->rows.size()) &&
        d->override == &d->rows[size_t(row)])
        r = d->override; // the candidate row of a filter
    else
        r = d->visibleRow(row);
    if (!r)
        return QVariant();
    if (f->kind() == FieldKind::Lookup) {
        const Row* saved = d->override;
        d->override = r;
        const QVariant v = f->value();
        d->override = saved;
        return v;
    }
    return r->cells[size_t(fieldIndex)].toVariant();
}

QString Dataset::displayTextAt(int row, int fieldIndex) const {
    return displayOf(valueAt(row, fieldIndex));
}

DatasetState Dataset::state() const { return d->state; }

void Dataset::append() {
    d->requireActive();
    d->requireWritable(d->insertSql);
    d->checkBrowse();
    d->prevCur = d->cur;
    Row r;
    r.cells.resize(d->fields.size());
    if (d->signalsOn())
        Q_EMIT rowAboutToBeInserted(d->visibleCount());
    d->rows.push_back(Row{r.cells, 0});
    d->insertAbs = int(d->rows.size()) - 1;
    if (!d->allVisible)
        d->vis.push_back(d->insertAbs);
    d->buffer = std::move(r);
    d->original = d->buffer;
    d->state = DatasetState::Insert;
    d->modified = false;
    d->cur = d->visibleCount() - 1;
    d->bof = d->eof = false;
    // A detail row takes the master's key values.
    if (d->master && d->master->isActive() && !d->master->isEmpty()) {
        for (int i = 0; i < d->detailFieldNames.size() && i < d->masterFieldNames.size(); ++i) {
            Field* df = findField(d->detailFieldNames.at(i));
            Field* mf = d->master->findField(d->masterFieldNames.at(i));
            if (df && mf && df->kind() == FieldKind::Data)
                d->buffer.cells[size_t(df->index())] = coerce(*df, mf->value());
        }
    }
    d->computeCalcs(d->buffer);
    if (d->signalsOn()) {
        Q_EMIT rowInserted(d->cur);
        Q_EMIT stateChanged(d->state);
        Q_EMIT currentRowChanged(d->cur);
    } else {
        d->pendingReset = true;
    }
    if (AfterInsert)
        AfterInsert(*this);
}

void Dataset::edit() {
    d->requireActive();
    if (isEditing())
        return;
    if (isEmpty()) {
        append();
        return;
    }
    d->requireWritable(d->modifySql);
    if (BeforeEdit)
        BeforeEdit(*this);
    d->buffer = d->rows[size_t(d->absOf(d->cur))];
    d->original = d->buffer;
    d->state = DatasetState::Edit;
    d->modified = false;
    d->emitState();
    if (AfterEdit)
        AfterEdit(*this);
}

void Dataset::post() {
    if (!isEditing())
        return;
    // A failed post leaves the row as the user left it: values the events set on the way (such as a
    // key handed out for it) go back, so a retry asks for them again.
    const Row before = d->buffer;
    const bool inserting = d->state == DatasetState::Insert;
    Row row;
    try {
        if (BeforePost)
            BeforePost(*this);
        if (!isEditing())
            return;
        row = d->buffer;
        if (inserting)
            d->writeInsert(row);
        else
            d->writeUpdate(row, d->original);
    } catch (...) {
        if (isEditing() && d->buffer.cells.size() == before.cells.size()) {
            const bool changed = !std::equal(before.cells.begin(), before.cells.end(), d->buffer.cells.begin());
            d->buffer = before;
            if (changed && d->signalsOn())
                Q_EMIT rowChanged(d->cur);
        }
        throw;
    }
    d->computeCalcs(row);
    const int abs = inserting ? d->insertAbs : d->absOf(d->cur);
    d->rows[size_t(abs)] = std::move(row);
    d->insertAbs = -1;
    d->state = DatasetState::Browse;
    d->modified = false;
    d->buffer = Row();
    d->original = Row();
    d->invalidateIndexes();
    if (d->signalsOn()) {
        Q_EMIT stateChanged(d->state);
        Q_EMIT rowChanged(d->cur);
    } else {
        d->pendingReset = true;
    }
    if (AfterPost)
        AfterPost(*this);
    d->followDetails();
}

void Dataset::cancel() {
    if (!isEditing())
        return;
    const bool inserting = d->state == DatasetState::Insert;
    d->state = DatasetState::Browse;
    d->modified = false;
    d->buffer = Row();
    d->original = Row();
    if (inserting) {
        const int removed = d->cur;
        if (d->signalsOn())
            Q_EMIT rowAboutToBeRemoved(removed);
        d->rows.erase(d->rows.begin() + d->insertAbs);
        if (!d->allVisible)
            d->vis.pop_back();
        d->insertAbs = -1;
        d->invalidateIndexes();
        const int count = d->visibleCount();
        d->cur = count == 0 ? -1 : std::clamp(d->prevCur, 0, count - 1);
        d->bof = d->cur <= 0;
        d->eof = d->cur < 0;
        if (d->signalsOn()) {
            Q_EMIT rowRemoved(removed);
            Q_EMIT stateChanged(d->state);
            Q_EMIT currentRowChanged(d->cur);
        } else {
            d->pendingReset = true;
        }
    } else {
        if (d->signalsOn()) {
            Q_EMIT stateChanged(d->state);
            Q_EMIT rowChanged(d->cur);
        } else {
            d->pendingReset = true;
        }
    }
    if (AfterCancel)
        AfterCancel(*this);
    if (inserting)
        d->scrolled();
}

void Dataset::deleteRecord() {
    d->requireActive();
    if (d->state == DatasetState::Insert) {
        cancel();
        return;
    }
    if (isEmpty())
        throw DbError(QStringLiteral("Datová sada %1 je prázdná.").arg(m_name));
    d->requireWritable(d->deleteSql);
    if (d->state == DatasetState::Edit)
        cancel();
    if (BeforeDelete)
        BeforeDelete(*this);
    const int abs = d->absOf(d->cur);
    d->writeDelete(d->rows[size_t(abs)]);
    const int removed = d->cur;
    if (d->signalsOn())
        Q_EMIT rowAboutToBeRemoved(removed);
    d->rows.erase(d->rows.begin() + abs);
    if (!d->allVisible) {
        d->vis.erase(d->vis.begin() + removed);
        for (int& p : d->vis)
            if (p > abs)
                --p;
    }
    d->invalidateIndexes();
    const int count = d->visibleCount();
    d->cur = count == 0 ? -1 : std::min(removed, count - 1);
    d->bof = d->cur <= 0;
    d->eof = d->cur < 0;
    if (d->signalsOn()) {
        Q_EMIT rowRemoved(removed);
        Q_EMIT currentRowChanged(d->cur);
    } else {
        d->pendingReset = true;
    }
    if (AfterDelete)
        AfterDelete(*this);
    d->scrolled();
}

bool Dataset::isModified() const { return isEditing() && d->modified; }

bool Dataset::autoCalcFields() const { return d->autoCalc; }
void Dataset::setAutoCalcFields(bool on) { d->autoCalc = on; }

void Dataset::setFilter(RowFilter filter) {
    d->checkBrowse();
    d->filter = std::move(filter);
    if (!d->active)
        return;
    d->rebuildVisible();
    d->cur = d->visibleCount() > 0 ? 0 : -1;
    d->bof = true;
    d->eof = d->cur < 0;
    d->emitReset();
    d->scrolled();
}

void Dataset::clearFilter() { setFilter(RowFilter()); }
bool Dataset::isFiltered() const { return bool(d->filter); }

void Dataset::setMasterLink(Dataset* master, const QStringList& detailFields, const QStringList& masterFields) {
    if (d->master)
        d->master->d->details.removeAll(this);
    d->master = master;
    d->detailFieldNames = master ? detailFields : QStringList();
    d->masterFieldNames = master ? masterFields : QStringList();
    if (master)
        master->d->details.append(this);
    if (d->active)
        d->masterMoved();
}

Dataset* Dataset::master() const { return d->master; }
QList<Dataset*> Dataset::details() const { return d->details; }

void Dataset::setSortFields(const QStringList& fields) {
    d->sortFields = fields;
    if (!d->active)
        return;
    d->checkBrowse();
    const Impl::Identity id = d->identity();
    const int keepAbs = d->cur >= 0 ? d->absOf(d->cur) : -1;
    qint64 keepRowid = keepAbs >= 0 ? d->rows[size_t(keepAbs)].rowid : 0;
    Q_UNUSED(keepRowid);
    // Remember the current row by address through a marker in rowid for queries.
    std::vector<qint64> savedIds;
    if (keepAbs >= 0) {
        savedIds.reserve(d->rows.size());
        for (auto& r : d->rows)
            savedIds.push_back(r.rowid);
        for (size_t i = 0; i < d->rows.size(); ++i)
            d->rows[i].rowid = qint64(i);
    }
    if (fields.isEmpty())
        d->load(); // source order again
    else
        d->sortRows();
    int newAbs = -1;
    if (keepAbs >= 0 && !fields.isEmpty()) {
        for (size_t i = 0; i < d->rows.size(); ++i) {
            const qint64 original = d->rows[i].rowid;
            if (original == keepAbs)
                newAbs = int(i);
            d->rows[i].rowid = savedIds[size_t(original)];
        }
    }
    d->invalidateIndexes();
    d->rebuildVisible();
    int row = newAbs >= 0 ? d->visibleOfAbs(newAbs) : d->findIdentity(id);
    if (row < 0)
        row = d->visibleCount() > 0 ? 0 : -1;
    d->cur = row;
    d->emitReset();
}

void Dataset::disableControls() { ++d->disableCount; }

void Dataset::enableControls() {
    if (d->disableCount > 0 && --d->disableCount == 0 && d->pendingReset) {
        d->pendingReset = false;
        Q_EMIT dataReset();
        Q_EMIT stateChanged(d->state);
        Q_EMIT currentRowChanged(d->cur);
    }
}

bool Dataset::controlsDisabled() const { return d->disableCount > 0; }

} // namespace mero
