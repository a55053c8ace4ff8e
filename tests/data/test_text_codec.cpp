#include "data/connection.h"
#include "data/errors.h"
#include "data/text_codec.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

using namespace mero;

class TestTextCodec : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void singleBytes_data();
    void singleBytes();
    void refusesUnencodable_data();
    void refusesUnencodable();
    void bytesInFileAreWindows1250();
    void sqlTextIsEncodedToo();
};

void TestTextCodec::roundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QStringLiteral("Plain text 123");
    QTest::newRow("czech lower") << QStringLiteral("příliš žluťoučký kůň úpěl ďábelské ódy");
    QTest::newRow("czech upper") << QStringLiteral("PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ ÚPĚL ĎÁBELSKÉ ÓDY");
    QTest::newRow("quotes and dash") << QStringLiteral("„Kolektivní smlouva“ – § 12");
    QTest::newRow("empty") << QString();
}

void TestTextCodec::roundTrip() {
    QFETCH(QString, text);
    QVERIFY(TextCodec::canEncode(text));
    QCOMPARE(TextCodec::decode(TextCodec::encode(text)), text);
}

void TestTextCodec::singleBytes_data() {
    QTest::addColumn<QString>("character");
    QTest::addColumn<int>("byte");
    QTest::newRow("ý") << QStringLiteral("ý") << 0xFD;
    QTest::newRow("ř") << QStringLiteral("ř") << 0xF8;
    QTest::newRow("Š") << QStringLiteral("Š") << 0x8A;
    QTest::newRow("ů") << QStringLiteral("ů") << 0xF9;
    QTest::newRow("„") << QStringLiteral("„") << 0x84;
    QTest::newRow("€") << QStringLiteral("€") << 0x80;
}

void TestTextCodec::singleBytes() {
    QFETCH(QString, character);
    QFETCH(int, byte);
    const QByteArray bytes = TextCodec::encode(character);
    QCOMPARE(bytes.size(), 1);
    QCOMPARE(int(uchar(bytes.at(0))), byte);
}

void TestTextCodec::refusesUnencodable_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("offending");
    QTest::newRow("cyrillic") << QStringLiteral("Obec Ж") << QStringLiteral("Ж");
    QTest::newRow("emoji") << QStringLiteral("ok 😀 ok") << QStringLiteral("😀");
    QTest::newRow("japanese") << QStringLiteral("日本") << QStringLiteral("日");
    QTest::newRow("polish ok then ñ") << QStringLiteral("łódź ñ") << QStringLiteral("ñ");
}

void TestTextCodec::refusesUnencodable() {
    QFETCH(QString, text);
    QFETCH(QString, offending);
    QVERIFY(!TextCodec::canEncode(text));
    QCOMPARE(text.mid(TextCodec::firstUnencodable(text), offending.size()), offending);
    try {
        TextCodec::encode(text);
        QFAIL("encode accepted a character outside Windows-1250");
    } catch (const EncodingError& e) {
        QVERIFY(e.message().contains(offending));
        QVERIFY(e.message().contains(QStringLiteral("Windows-1250")));
    }
}

void TestTextCodec::bytesInFileAreWindows1250() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.db3"));
    {
        Connection c;
        c.open(path, Connection::OpenMode::Create);
        c.execute(QStringLiteral("CREATE TABLE T (A TEXT)"));
        Statement ins = c.prepare(QStringLiteral("INSERT INTO T (A) VALUES (?)"));
        ins.bind(1, QStringLiteral("Kýta"));
        QVERIFY(!ins.step());
        Statement sel = c.prepare(QStringLiteral("SELECT A FROM T"));
        QVERIFY(sel.step());
        QCOMPARE(sel.value(0).toString(), QStringLiteral("Kýta"));
    }
    // Read the stored bytes with SQLite itself, past our codec.
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, "SELECT A, length(CAST(A AS BLOB)) FROM T", -1, &stmt, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_step(stmt), SQLITE_ROW);
    const QByteArray raw(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), sqlite3_column_bytes(stmt, 0));
    QCOMPARE(raw, QByteArray("K\xFDta"));
    QCOMPARE(sqlite3_column_int(stmt, 1), 4);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}

void TestTextCodec::sqlTextIsEncodedToo() {
    QTemporaryDir dir;
    Connection c;
    c.open(dir.filePath(QStringLiteral("t.db3")), Connection::OpenMode::Create);
    c.execute(QStringLiteral("CREATE TABLE T (A TEXT); INSERT INTO T VALUES ('Žďár');"));
    Statement sel = c.prepare(QStringLiteral("SELECT A, hex(A) FROM T WHERE A = 'Žďár'"));
    QVERIFY(sel.step());
    QCOMPARE(sel.value(0).toString(), QStringLiteral("Žďár"));
    QCOMPARE(sel.value(1).toString(), QStringLiteral("8EEFE172"));
    QVERIFY_THROWS_EXCEPTION(EncodingError, c.execute(QStringLiteral("INSERT INTO T VALUES ('Ж')")));
    Statement count = c.prepare(QStringLiteral("SELECT count(*) FROM T"));
    QVERIFY(count.step());
    QCOMPARE(count.value(0).toInt(), 1);
}

QTEST_GUILESS_MAIN(TestTextCodec)
#include "test_text_codec.moc"
