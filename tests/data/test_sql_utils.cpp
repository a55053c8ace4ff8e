#include "data/connection.h"
#include "data/errors.h"
#include "data/sql_utils.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace mero;

class TestSqlUtils : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void queryValue_data();
    void queryValue();
    void queryValueWithoutConnection();
    void executeStopsAtFirstFailure();
    void executeLeavesScriptTransactionOpen();
    void transactions();
    void transactionCallsAreSafeWithoutConnection();
    void notADatabase();
    void openNeverCreates();
    void where();
    void combine_data();
    void combine();

private:
    QTemporaryDir* m_dir = nullptr;
    Connection* m_conn = nullptr;
};

void TestSqlUtils::init() {
    m_dir = new QTemporaryDir;
    m_conn = new Connection;
    m_conn->open(m_dir->filePath(QStringLiteral("t.db3")), Connection::OpenMode::Create);
    m_conn->execute(QStringLiteral("CREATE TABLE T (A INTEGER, B TEXT); INSERT INTO T VALUES (1, 'x'), (2, NULL);"));
}

void TestSqlUtils::cleanup() {
    delete m_conn;
    delete m_dir;
}

void TestSqlUtils::queryValue_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("integer") << "SELECT A FROM T ORDER BY A" << QVariant(qlonglong(1));
    QTest::newRow("text") << "SELECT B FROM T WHERE A = 1" << QVariant(QStringLiteral("x"));
    QTest::newRow("null value") << "SELECT B FROM T WHERE A = 2" << QVariant();
    QTest::newRow("no row") << "SELECT A FROM T WHERE A = 99" << QVariant();
    QTest::newRow("missing table") << "SELECT A FROM MISSING" << QVariant();
    QTest::newRow("syntax error") << "SELEKT 1" << QVariant();
    QTest::newRow("pragma") << "PRAGMA user_version;" << QVariant(qlonglong(0));
}

void TestSqlUtils::queryValue() {
    QFETCH(QString, sql);
    QFETCH(QVariant, expected);
    const QVariant v = TDB::QueryValue(m_conn, sql);
    QCOMPARE(v.isNull(), expected.isNull());
    if (!expected.isNull())
        QCOMPARE(v, expected);
}

void TestSqlUtils::queryValueWithoutConnection() {
    QVERIFY(TDB::QueryValue(nullptr, QStringLiteral("SELECT 1")).isNull());
    Connection closed;
    QVERIFY(TDB::QueryValue(&closed, QStringLiteral("SELECT 1")).isNull());
}

void TestSqlUtils::executeStopsAtFirstFailure() {
    QVERIFY_THROWS_EXCEPTION(DbError, TDB::Execute(m_conn, QStringLiteral("INSERT INTO T VALUES (3, 'a');\r\n"
                                                                         "INSERT INTO MISSING VALUES (1);\r\n"
                                                                         "INSERT INTO T VALUES (4, 'b');")));
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT count(*) FROM T WHERE A = 3")).toInt(), 1);
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT count(*) FROM T WHERE A = 4")).toInt(), 0);
    try {
        TDB::Execute(m_conn, QStringLiteral("INSERT INTO MISSING VALUES (1)"));
    } catch (const DbError& e) {
        QVERIFY(e.message().contains(QStringLiteral("MISSING")));
    }
}

void TestSqlUtils::executeLeavesScriptTransactionOpen() {
    QVERIFY_THROWS_EXCEPTION(DbError, TDB::Execute(m_conn, QStringLiteral("begin; INSERT INTO T VALUES (5, 'c'); "
                                                                         "INSERT INTO MISSING VALUES (1); commit;")));
    QVERIFY(m_conn->inTransaction());
    TDB::Rollback(m_conn);
    QVERIFY(!m_conn->inTransaction());
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT count(*) FROM T WHERE A = 5")).toInt(), 0);
}

void TestSqlUtils::transactions() {
    TDB::StartTransaction(m_conn, IsolationLevel::ReadCommitted);
    QVERIFY(m_conn->inTransaction());
    TDB::Execute(m_conn, QStringLiteral("INSERT INTO T VALUES (6, 'd')"));
    TDB::Rollback(m_conn);
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT count(*) FROM T WHERE A = 6")).toInt(), 0);
    TDB::StartTransaction(m_conn, IsolationLevel::ReadCommitted);
    TDB::Execute(m_conn, QStringLiteral("INSERT INTO T VALUES (7, 'e')"));
    TDB::Commit(m_conn);
    QVERIFY(!m_conn->inTransaction());
    QCOMPARE(TDB::QueryValue(m_conn, QStringLiteral("SELECT count(*) FROM T WHERE A = 7")).toInt(), 1);
    // Without an open transaction both do nothing.
    TDB::Commit(m_conn);
    TDB::Rollback(m_conn);
}

void TestSqlUtils::transactionCallsAreSafeWithoutConnection() {
    TDB::StartTransaction(nullptr, IsolationLevel::ReadCommitted);
    TDB::Commit(nullptr);
    TDB::Rollback(nullptr);
    QVERIFY_THROWS_EXCEPTION(DbError, TDB::Execute(nullptr, QStringLiteral("SELECT 1")));
}

void TestSqlUtils::notADatabase() {
    const QString path = m_dir->filePath(QStringLiteral("junk.db3"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    Connection c;
    QVERIFY_THROWS_EXCEPTION(DbError, c.open(path));
    QVERIFY(!c.isOpen());
}

void TestSqlUtils::openNeverCreates() {
    const QString path = m_dir->filePath(QStringLiteral("absent.db3"));
    Connection c;
    QVERIFY_THROWS_EXCEPTION(DbError, c.open(path));
    QVERIFY(!QFile::exists(path));
}

void TestSqlUtils::where() {
    QCOMPARE(TSQL::Where(QString()), QString());
    QCOMPARE(QStringLiteral("SELECT 1") + TSQL::Where(QString()), QStringLiteral("SELECT 1"));
    QCOMPARE(TSQL::Where(QStringLiteral("A = 1")), QStringLiteral(" WHERE A = 1"));
    QCOMPARE(TSQL::AndClause(QStringLiteral("X = 1")), QStringLiteral(" AND (X = 1)"));
    QCOMPARE(TSQL::AndClause(QString()), QString());
}

void TestSqlUtils::combine_data() {
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty left") << "" << "EPKS.ROK = 2009" << "AND" << "EPKS.ROK = 2009";
    QTest::newRow("both") << "A" << "B" << "AND" << "A AND B";
    QTest::newRow("no operator") << "A" << "B" << "" << "A";
    QTest::newRow("empty right") << "A" << "" << "OR" << "A";
    QTest::newRow("all empty") << "" << "" << "" << "";
}

void TestSqlUtils::combine() {
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(QString, op);
    QFETCH(QString, expected);
    QCOMPARE(TSQL::Combine(left, right, op), expected);
}

QTEST_GUILESS_MAIN(TestSqlUtils)
#include "test_sql_utils.moc"
