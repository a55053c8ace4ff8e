#include "check_fixture.h"

namespace mero::test {

namespace {

QString numbered(const QString& prefix, int from, int to, const QString& suffix, const QString& type) {
    QStringList cols;
    for (int i = from; i <= to; ++i)
        cols << QStringLiteral("%1%2%3 %4").arg(prefix).arg(i).arg(suffix, type);
    return cols.join(QStringLiteral(", "));
}

const char* kKeys = "ID_KS INTEGER, ID_INST_KS INTEGER";

} // namespace

QStringList CheckFixture::questionnaireTables() {
    return {"KS", "SPOLUP", "MZN", "MZT", "PRIPLAT", "ODMENY", "PRDOBA", "PREKAZKY", "SF", "ZAMEST"};
}

CheckFixture::CheckFixture() {
    if (!m_dir.isValid())
        qFatal("no temporary folder");
    m_connection.open(path(), Connection::OpenMode::Create);
    const QString keys = QString::fromLatin1(kKeys);
    QString sql;
    sql += QStringLiteral(
        "CREATE TABLE POLOZKA (ID_POLOZKA INTEGER PRIMARY KEY, TABULKA VARCHAR(20), POLE VARCHAR(20), "
        "TYP VARCHAR(10), NAZEV VARCHAR(200), SUBJ01 VARCHAR(10), SUBJ02 VARCHAR(10), SUBJ03 VARCHAR(10), "
        "SUBJ04 VARCHAR(10), PLNENI_TABULKY VARCHAR(10), PLNENI_ANO VARCHAR(10), PLNENI_NE VARCHAR(10));"
        "CREATE TABLE TYPKONTROLY (ID_TYPKONTROLY INTEGER PRIMARY KEY, KOD VARCHAR(10), NAZEV VARCHAR(100), "
        "PORADI INTEGER);"
        "CREATE TABLE ZAVAZNOSTKONTROLY (ID_ZAVAZNOSTKONTROLY INTEGER PRIMARY KEY, KOD VARCHAR(10), "
        "NAZEV VARCHAR(100), PORADI INTEGER);"
        "CREATE TABLE KONTROLA (ID_KONTROLA INTEGER PRIMARY KEY, ID_TYPKONTROLY INTEGER, "
        "ID_ZAVAZNOSTKONTROLY INTEGER, ID_TYPSUBJ INTEGER, TEXT VARCHAR(500), ID_POLOZKA INTEGER, "
        "ID_TYPVAZBY INTEGER, ID_TYPPOROVNANI INTEGER, MIN NUMERIC, MIN_VCETNE BOOLEAN, MAX NUMERIC, "
        "MAX_VCETNE BOOLEAN, NEVYPLNENO_NULA BOOLEAN);"
        "CREATE TABLE POLOZKAKONTROLY (ID_POLOZKAKONTROLY INTEGER PRIMARY KEY, ID_KONTROLA INTEGER, "
        "ID_POLOZKA INTEGER);"
        "INSERT INTO TYPKONTROLY VALUES (1, 'V', 'Vazba', 1), (2, 'Z', 'Zadání', 2), (3, 'R', 'Rozsah', 3), "
        "(4, 'P', 'Porovnání', 4);"
        "INSERT INTO ZAVAZNOSTKONTROLY VALUES (1, 'C', 'Chyba', 1), (2, 'V', 'Upozornění', 2);");
    sql += QStringLiteral("CREATE TABLE KS (%1, B1 BOOLEAN, B2 BOOLEAN, B3 BOOLEAN, B4 BOOLEAN, B5 BOOLEAN, "
                          "T1 VARCHAR(50), T2 VARCHAR(50), T3 VARCHAR(50), MEMO TEXT, N1 NUMERIC, N2 NUMERIC, "
                          "N3 NUMERIC, N4 NUMERIC, I1 INTEGER, D1 DATE);")
               .arg(keys);
    sql += QStringLiteral("CREATE TABLE SPOLUP (%1, S1 BOOLEAN, S2 BOOLEAN, SN NUMERIC, ST VARCHAR(20));").arg(keys);
    sql += QStringLiteral("CREATE TABLE MZT (%1, TTFH NUMERIC, %2, %3);")
               .arg(keys, numbered("MMTH", 1, 20, "", "NUMERIC"), numbered("MMTH", 1, 20, "P", "NUMERIC"));
    sql += QStringLiteral("CREATE TABLE MZN (%1, TFH NUMERIC, MMH NUMERIC, MMHP NUMERIC);").arg(keys);
    QStringList sfCols = {"T1 BOOLEAN", "T2 BOOLEAN", "RFKSP BOOLEAN", "CT1 NUMERIC", "CT2 NUMERIC", "UZ NUMERIC"};
    for (const char* u : {"UR", "UL", "UB", "US", "USV", "UO", "UPENZP", "UURAZP", "UDOPZAM", "UOO", "UX", "UK",
                          "UPP", "UTV", "UTA", "UJO", "UHM", "UZIVP", "UOS"})
        sfCols << QStringLiteral("%1 NUMERIC").arg(QString::fromLatin1(u));
    sql += QStringLiteral("CREATE TABLE SF (%1, %2);").arg(keys, sfCols.join(QStringLiteral(", ")));
    QStringList odm;
    for (const char* c : {"D50F0", "D50F5", "D50F10", "D50F15", "D50F20", "D50F25", "DF0", "DF5", "DF10", "DF15",
                          "DF20", "DF25", "DF30", "DF35", "DF40", "V0", "V5", "V10", "V15", "V20", "V25", "V30",
                          "V35", "V40", "POZN"})
        odm << QStringLiteral("%1 NUMERIC").arg(QString::fromLatin1(c));
    sql += QStringLiteral("CREATE TABLE ODMENY (%1, %2);").arg(keys, odm.join(QStringLiteral(", ")));
    for (const char* t : {"PRIPLAT", "PRDOBA", "PREKAZKY", "ZAMEST"})
        sql += QStringLiteral("CREATE TABLE %1 (%2, X1 NUMERIC);").arg(QString::fromLatin1(t), keys);
    sql += QStringLiteral("CREATE TABLE EPKS (ID_EPKS INTEGER PRIMARY KEY, ID_INST_EPKS INTEGER, %1, "
                          "ID_TYPSUBJ INTEGER, ROK INTEGER);"
                          "CREATE TABLE EVKS (ID_EVKS INTEGER PRIMARY KEY, ID_INST_EVKS INTEGER, %1, "
                          "ID_TYPSUBJ INTEGER, ROK INTEGER);")
               .arg(keys);
    m_connection.execute(sql);
}

CheckFixture::~CheckFixture() {
    m_module.reset();
    m_owned.clear();
    m_connection.close();
}

void CheckFixture::exec(const QString& sql) {
    m_connection.execute(sql);
}

void CheckFixture::item(int id, const QString& table, const QString& field, const QString& name,
                        const QStringList& codes) {
    QStringList c = codes;
    while (c.size() < 4)
        c << QString();
    QStringList lit;
    for (const QString& code : c)
        lit << (code.isNull() ? QStringLiteral("NULL") : QStringLiteral("'%1'").arg(code));
    exec(QStringLiteral("INSERT INTO POLOZKA (ID_POLOZKA, TABULKA, POLE, TYP, NAZEV, SUBJ01, SUBJ02, SUBJ03, "
                        "SUBJ04, PLNENI_TABULKY, PLNENI_ANO, PLNENI_NE) VALUES (%1, '%2', '%3', 'T', '%4', %5, "
                        "'PT', 'PA', 'PN')")
             .arg(id)
             .arg(table, field, name, lit.join(QStringLiteral(", "))));
}

void CheckFixture::check(int id, int type, int severity, int mainItem, const QString& text,
                         const QMap<QString, QString>& extra, const QString& subjectType) {
    QStringList cols = {"ID_KONTROLA", "ID_TYPKONTROLY", "ID_ZAVAZNOSTKONTROLY", "ID_TYPSUBJ", "TEXT", "ID_POLOZKA"};
    QStringList vals = {QString::number(id), QString::number(type), QString::number(severity), subjectType,
                        text.isNull() ? QStringLiteral("NULL") : QStringLiteral("'%1'").arg(text),
                        QString::number(mainItem)};
    for (auto it = extra.begin(); it != extra.end(); ++it) {
        cols << it.key();
        vals << it.value();
    }
    exec(QStringLiteral("INSERT INTO KONTROLA (%1) VALUES (%2)")
             .arg(cols.join(QStringLiteral(", ")), vals.join(QStringLiteral(", "))));
}

void CheckFixture::related(int checkId, const QList<int>& items) {
    for (int i : items)
        exec(QStringLiteral("INSERT INTO POLOZKAKONTROLY (ID_KONTROLA, ID_POLOZKA) VALUES (%1, %2)").arg(checkId).arg(i));
}

void CheckFixture::load() {
    QStringList names = questionnaireTables();
    names << QStringLiteral("EPKS") << QStringLiteral("EVKS");
    for (const QString& t : questionnaireTables()) {
        Statement count = m_connection.prepare(QStringLiteral("SELECT COUNT(*) FROM %1").arg(t));
        count.step();
        if (count.value(0).toInt() == 0)
            exec(QStringLiteral("INSERT INTO %1 (ID_KS, ID_INST_KS) VALUES (1, 99999)").arg(t));
    }
    for (const QString& t : names) {
        auto ds = std::make_unique<Dataset>(QStringLiteral("Tbl") + t);
        ds->setConnection(&m_connection);
        ds->setTableName(t);
        ds->open();
        m_tables.insert(t, ds.get());
        m_owned.push_back(std::move(ds));
    }
    m_module = std::make_unique<TCheckModule>(
        &m_connection, [this](const QString& name) { return m_tables.value(name, nullptr); },
        [this](qlonglong idKs, qlonglong idInstKs) {
            for (const QString& t : questionnaireTables())
                if (!m_tables.value(t)->locate(QStringLiteral("ID_KS;ID_INST_KS"), {idKs, idInstKs}))
                    return false;
            return true;
        });
    m_module->LoadItems();
    m_module->LoadChecks();
}

Field* CheckFixture::field(const QString& table, const QString& name) const {
    Dataset* ds = m_tables.value(table);
    return ds ? ds->findField(name) : nullptr;
}

void CheckFixture::edit(const QString& table) {
    Dataset* ds = m_tables.value(table);
    if (ds->isEditing())
        return;
    if (ds->isEmpty())
        ds->append();
    else
        ds->edit();
}

void CheckFixture::set(const QString& table, const QString& name, const QVariant& value) {
    edit(table);
    field(table, name)->setValue(value);
}

QVariant CheckFixture::get(const QString& table, const QString& name) const {
    return field(table, name)->value();
}

} // namespace mero::test
