#include "data/connection.h"
#include "data/data_module.h"
#include "data/key_text.h"
#include "data/sql_utils.h"
#include "support/test_support.h"

#include <QFile>
#include <QtTest>

using namespace mero;
using namespace mero::test;

namespace {
const char* const kTables[] = {"KS", "SPOLUP", "MZN", "MZT", "PRIPLAT", "ODMENY", "PRDOBA", "PREKAZKY", "SF", "ZAMEST"};

qlonglong count(Connection* c, const QString& sql) {
    return TDB::QueryValue(c, sql).toLongLong();
}
} // namespace

// The data module over the database the build delivers.
class TestDataDelivered : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void opensEveryDataset();
    void agreementLifecycle();

private:
    QTemporaryDir* m_dir = nullptr;
    TData* m_data = nullptr;
    RecordingSink* m_sink = nullptr;
};

void TestDataDelivered::init() {
    QVERIFY2(QFile::exists(deliveredDatabase()), qPrintable(deliveredDatabase()));
    m_dir = new QTemporaryDir;
    m_sink = new RecordingSink;
    const QString path = copyInto(*m_dir, deliveredDatabase());
    m_data = new TData;
    QVERIFY(m_data->ConnectDatabase(path));
    m_data->CreateFields();
    m_data->OpenAll();
    QCOMPARE(m_data->InstallationId(), 0);
    QVERIFY(m_data->ActivateInstallation());
}

void TestDataDelivered::cleanup() {
    delete m_data;
    delete m_sink;
    delete m_dir;
}

void TestDataDelivered::opensEveryDataset() {
    for (Dataset* ds : m_data->AllDatasets())
        QVERIFY2(ds->isActive(), qPrintable(ds->name()));
    QVERIFY(m_data->TblSVAZ->recordCount() > 0);
    QVERIFY(m_data->TblNUTS4->recordCount() > 0);
    QVERIFY(m_data->TblNACE->recordCount() > 0);
    QVERIFY(!m_data->TblNACE->fieldByName(QStringLiteral("KODNAZEV"))->asString().isEmpty());
    QVERIFY(m_data->TblTYPSUBJ->locate(QStringLiteral("ID_TYPSUBJ"), {1}));
    QVERIFY(m_sink->messages.isEmpty());
}

void TestDataDelivered::agreementLifecycle() {
    Connection* c = m_data->DataBase;
    // Employer and union organisation, with keys from their counters.
    Dataset* subj = m_data->TblSUBJ;
    subj->append();
    subj->fieldByName(QStringLiteral("NAZEV"))->setValue(QStringLiteral("Strojírny Příbram a.s."));
    subj->fieldByName(QStringLiteral("ID_TYPSUBJ"))->setValue(1);
    subj->post();
    const QString subjKey = subj->fieldByName(QStringLiteral("ID_SUBJ_INST"))->asString();
    QCOMPARE(subjKey, QStringLiteral("1") + KeyText::Separator + QStringLiteral("99999"));
    Dataset* zoos = m_data->TblZOOS;
    zoos->append();
    zoos->fieldByName(QStringLiteral("NAZEV"))->setValue(QStringLiteral("ZO OS KOVO Příbram"));
    zoos->fieldByName(QStringLiteral("ID_SVAZ"))->setValue(m_data->TblSVAZ->fieldByName(QStringLiteral("ID_SVAZ"))->value());
    zoos->post();
    const QString zoosKey = zoos->fieldByName(QStringLiteral("ID_ZOOS_INST"))->asString();
    QCOMPARE(m_data->SubjectTypeOf(subjKey), 1);

    // A new agreement, discarded: nothing anywhere.
    QHash<QString, qlonglong> before;
    for (const char* t : kTables)
        before[QLatin1String(t)] = count(c, QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(t)));
    m_data->TblEPKS->append();
    m_data->TblEPKS->fieldByName(QStringLiteral("ROK"))->setValue(2024);
    QVERIFY(m_data->AssignUnionOrganisation(zoosKey));
    QVERIFY(m_data->AssignEmployer(subjKey));
    m_data->NewQuestionnaire();
    QVERIFY(m_data->IsQuestionnaireModified());
    m_data->CancelQuestionnaire();
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM EPKS")), 0);
    for (const char* t : kTables)
        QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(t))), before[QLatin1String(t)]);

    // Again, saved: complete in all ten tables, the registration points at it.
    m_data->TblEPKS->append();
    m_data->TblEPKS->fieldByName(QStringLiteral("ROK"))->setValue(2024);
    m_data->AssignUnionOrganisation(zoosKey);
    m_data->AssignEmployer(subjKey);
    m_data->NewQuestionnaire();
    m_data->TblKS->fieldByName(QStringLiteral("DATUZ"))->setValue(QDate(2024, 1, 15));
    QVERIFY(m_data->SaveQuestionnaire());
    const qlonglong idKs = m_data->TblKS->fieldByName(QStringLiteral("ID_KS"))->asInteger();
    QVERIFY(idKs > 0);
    for (const char* t : kTables)
        QVERIFY2(count(c, QStringLiteral("SELECT count(*) FROM %1 WHERE ID_KS = %2 AND ID_INST_KS = 99999")
                                  .arg(QLatin1String(t))
                                  .arg(idKs)) == 1,
                 t);
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM EPKS WHERE ID_KS = %1 AND ID_INST_KS = 99999 AND ROK = 2024 "
                                     "AND ID_TYPSUBJ = 1")
                          .arg(idKs)),
             1);
    QCOMPARE(m_data->TblEPKS->recordCount(), 1);
    QVERIFY(m_data->LocateAgreement(idKs, 99999));

    // A copy of it gets a new content key; the source stays.
    m_data->TblEPKS->append();
    m_data->TblEPKS->fieldByName(QStringLiteral("ROK"))->setValue(2025);
    m_data->AssignUnionOrganisation(zoosKey);
    m_data->AssignEmployer(subjKey);
    m_data->CopyQuestionnaire(idKs, 99999);
    QVERIFY(m_data->SaveQuestionnaire());
    const qlonglong copyKs = m_data->TblKS->fieldByName(QStringLiteral("ID_KS"))->asInteger();
    QCOMPARE(copyKs, idKs + 1);
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM KS WHERE DATUZ = '2024-01-15'")), 2);
    for (const char* t : kTables)
        QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM %1 WHERE ID_INST_KS = 99999").arg(QLatin1String(t))), 2);
    QCOMPARE(m_data->TblEPKS->recordCount(), 2);
    QVERIFY(m_sink->messages.isEmpty());
}

QTEST_GUILESS_MAIN(TestDataDelivered)
#include "test_data_delivered.moc"
