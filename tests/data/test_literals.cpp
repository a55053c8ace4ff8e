#include "data/connection.h"
#include "data/dataset.h"
#include "data/key_text.h"
#include "data/sql_utils.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace mero;

// SQL literals of field values and key texts.
class TestLiterals : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void fieldLiteral_data();
    void fieldLiteral();
    void fieldLiteralOfNoField();
    void literalsAreValidSql();
    void rowLiterals();
    void valueLiteral_data();
    void valueLiteral();
    void textInTypedColumnStaysQuoted();
    void keyText_data();
    void keyText();
    void keyTextJoin();

private:
    QTemporaryDir m_dir;
    Connection m_conn;
};

void TestLiterals::initTestCase() {
    m_conn.open(m_dir.filePath(QStringLiteral("t.db3")), Connection::OpenMode::Create);
    m_conn.execute(QStringLiteral("CREATE TABLE L (T VARCHAR(20), M TEXT, I INTEGER, D NUMERIC, B BOOLEAN, DT DATE, TS DATETIME)"));
}

void TestLiterals::cleanupTestCase() {
    m_conn.close();
}

void TestLiterals::fieldLiteral_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("literal");
    QTest::newRow("quote doubled") << "T" << QVariant(QStringLiteral("O'Neil")) << "'O''Neil'";
    QTest::newRow("empty text") << "T" << QVariant(QString(QLatin1String(""))) << "''";
    QTest::newRow("memo") << "M" << QVariant(QStringLiteral("a\nb")) << "'a\nb'";
    QTest::newRow("NULL integer") << "I" << QVariant() << "NULL";
    QTest::newRow("NULL text") << "T" << QVariant() << "NULL";
    QTest::newRow("integer") << "I" << QVariant(-12) << "-12";
    QTest::newRow("true") << "B" << QVariant(true) << "'Y'";
    QTest::newRow("false") << "B" << QVariant(false) << "'N'";
    QTest::newRow("12.5") << "D" << QVariant(12.5) << "12.5";
    QTest::newRow("0.25") << "D" << QVariant(0.25) << "0.25";
    QTest::newRow("1E20") << "D" << QVariant(1e20) << "1E20";
    QTest::newRow("small") << "D" << QVariant(1.5e-7) << "1.5E-7";
    QTest::newRow("15 digits") << "D" << QVariant(1.0 / 3.0) << "0.333333333333333";
    QTest::newRow("whole decimal") << "D" << QVariant(3.0) << "3";
    QTest::newRow("negative zero") << "D" << QVariant(-0.0) << "0";
    QTest::newRow("negative") << "D" << QVariant(-141884.75) << "-141884.75";
    QTest::newRow("0.1 + 0.2 to 15 digits") << "D" << QVariant(0.1 + 0.2) << "0.3";
    QTest::newRow("exact half of the 15th digit rounds away") << "D" << QVariant(57.09234619140625) << "57.0923461914063";
    QTest::newRow("16 digits") << "D" << QVariant(1234567890123456.0) << "1.23456789012346E15";
    QTest::newRow("15 integer digits") << "D" << QVariant(999999999999999.0) << "999999999999999";
    QTest::newRow("smallest fixed") << "D" << QVariant(0.0001) << "0.0001";
    QTest::newRow("largest exponent") << "D" << QVariant(-1.5e300) << "-1.5E300";
    QTest::newRow("subnormal") << "D" << QVariant(5e-324) << "4.94065645841247E-324";
    QTest::newRow("date") << "DT" << QVariant(QDate(2009, 3, 5)) << "'2009-03-05'";
    QTest::newRow("date-time drops the time") << "TS" << QVariant(QDateTime(QDate(2009, 3, 5), QTime(14, 30))) << "'2009-03-05'";
}

void TestLiterals::fieldLiteral() {
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(QString, literal);
    m_conn.execute(QStringLiteral("DELETE FROM L; INSERT INTO L DEFAULT VALUES"));
    Dataset ds(QStringLiteral("TblL"));
    ds.setConnection(&m_conn);
    ds.setTableName(QStringLiteral("L"));
    ds.open();
    ds.edit();
    ds.fieldByName(field)->setValue(value);
    QCOMPARE(TDB::FieldLiteral(ds.fieldByName(field)), literal);
    // The same literal from the stored value.
    ds.post();
    ds.refresh();
    QCOMPARE(TDB::FieldLiteral(ds.fieldByName(field)), literal);
}

void TestLiterals::fieldLiteralOfNoField() {
    QCOMPARE(TDB::FieldLiteral(nullptr), QString());
    QCOMPARE(TDB::RowLiterals(nullptr), QString());
}

void TestLiterals::literalsAreValidSql() {
    // Every literal reads back as the value it came from.
    const QVariantList values{QStringLiteral("O'Neil"), qlonglong(7), 1e20, 0.1, true, QDate(2009, 3, 5), QVariant()};
    for (const QVariant& v : values) {
        const QVariant back = TDB::QueryValue(&m_conn, QStringLiteral("SELECT ") + TDB::ValueLiteral(v));
        if (v.typeId() == QMetaType::Bool)
            QCOMPARE(back.toString(), QStringLiteral("Y"));
        else if (v.typeId() == QMetaType::QDate)
            QCOMPARE(back.toString(), QStringLiteral("2009-03-05"));
        else if (v.typeId() == QMetaType::Double)
            QCOMPARE(back.toDouble(), v.toDouble());
        else
            QCOMPARE(back, v);
    }
}

void TestLiterals::rowLiterals() {
    auto q = TDB::OpenQuery(&m_conn, QStringLiteral("SELECT 12 AS A, NULL AS B, 'a' AS C"));
    QVERIFY(q);
    QCOMPARE(TDB::RowLiterals(q.get()), QStringLiteral("12,NULL,'a'"));
}

void TestLiterals::valueLiteral_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("literal");
    QTest::newRow("text") << QVariant(QStringLiteral("it's")) << "'it''s'";
    QTest::newRow("int") << QVariant(5) << "5";
    QTest::newRow("double") << QVariant(-0.5) << "-0.5";
    QTest::newRow("bool") << QVariant(false) << "'N'";
    QTest::newRow("null") << QVariant() << "NULL";
    QTest::newRow("blob") << QVariant(QByteArray("\x01\xff", 2)) << "X'01ff'";
}

void TestLiterals::valueLiteral() {
    QFETCH(QVariant, value);
    QFETCH(QString, literal);
    QCOMPARE(TDB::ValueLiteral(value), literal);
}

void TestLiterals::textInTypedColumnStaysQuoted() {
    // A value the column's type cannot read (written by someone else) is kept as text and quoted, so
    // it can never become SQL.
    m_conn.execute(QStringLiteral("DELETE FROM L; INSERT INTO L (I, D, DT) VALUES ('1); DROP TABLE L; --', 'x', 'zítra')"));
    Dataset ds(QStringLiteral("TblL"));
    ds.setConnection(&m_conn);
    ds.setTableName(QStringLiteral("L"));
    ds.open();
    QCOMPARE(TDB::FieldLiteral(ds.fieldByName(QStringLiteral("I"))), QStringLiteral("'1); DROP TABLE L; --'"));
    QCOMPARE(TDB::FieldLiteral(ds.fieldByName(QStringLiteral("D"))), QStringLiteral("'x'"));
    QCOMPARE(TDB::FieldLiteral(ds.fieldByName(QStringLiteral("DT"))), QStringLiteral("'zítra'"));
}

void TestLiterals::keyText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qlonglong>("id");
    QTest::addColumn<qlonglong>("inst");
    const QString us(QChar(0x1F));
    QTest::newRow("plain") << QStringLiteral("12") + us + QStringLiteral("99999") << true << qlonglong(12) << qlonglong(99999);
    QTest::newRow("spaces") << QStringLiteral(" 12 ") + us + QStringLiteral("1") << true << qlonglong(12) << qlonglong(1);
    QTest::newRow("negative") << QStringLiteral("-1") + us + QStringLiteral("0") << true << qlonglong(-1) << qlonglong(0);
    QTest::newRow("empty") << us << false << qlonglong(0) << qlonglong(0);
    QTest::newRow("one part") << QStringLiteral("12") << false << qlonglong(0) << qlonglong(0);
    QTest::newRow("three parts") << QStringLiteral("1") + us + QStringLiteral("2") + us + QStringLiteral("3") << false
                                 << qlonglong(0) << qlonglong(0);
    QTest::newRow("sql") << QStringLiteral("1") + us + QStringLiteral("1 OR 1=1") << false << qlonglong(0) << qlonglong(0);
    QTest::newRow("decimal") << QStringLiteral("1.5") + us + QStringLiteral("1") << false << qlonglong(0) << qlonglong(0);
    QTest::newRow("hex") << QStringLiteral("0x10") + us + QStringLiteral("1") << false << qlonglong(0) << qlonglong(0);
    QTest::newRow("overflow") << QStringLiteral("99999999999999999999") + us + QStringLiteral("1") << false << qlonglong(0)
                              << qlonglong(0);
}

void TestLiterals::keyText() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(qlonglong, id);
    QFETCH(qlonglong, inst);
    const auto pair = KeyText::ParsePair(text);
    QCOMPARE(pair.has_value(), valid);
    if (pair) {
        QCOMPARE(pair->id, id);
        QCOMPARE(pair->installation, inst);
    }
}

void TestLiterals::keyTextJoin() {
    QCOMPARE(KeyText::Join(qlonglong(12), 99999), QStringLiteral("12") + QChar(0x1F) + QStringLiteral("99999"));
    QCOMPARE(KeyText::Join(QVariant(), QVariant()), QString(QChar(0x1F)));
    QCOMPARE(KeyText::Split(QStringLiteral("a") + QChar(0x1F) + QStringLiteral("b")), (QStringList{"a", "b"}));
}

QTEST_GUILESS_MAIN(TestLiterals)
#include "test_literals.moc"
