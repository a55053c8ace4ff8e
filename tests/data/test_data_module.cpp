#include "data_fixture.h"

#include "data/connection.h"
#include "data/data_module.h"
#include "data/errors.h"
#include "data/key_text.h"
#include "data/math_utils.h"
#include "data/sql_utils.h"
#include "support/test_support.h"

#include <QtTest>

using namespace mero;
using namespace mero::test;

namespace {

const QChar US(0x1F);

qlonglong count(Connection* c, const QString& sql) {
    return TDB::QueryValue(c, sql).toLongLong();
}

// Appends a registration for employer 1 / organisation 1, as the new-agreement dialog does.
void appendRegistration(TData& data, int year) {
    data.TblEPKS->append();
    data.TblEPKS->fieldByName(QStringLiteral("ROK"))->setValue(year);
    QVERIFY(data.AssignUnionOrganisation(QString(QStringLiteral("1")) + US + QStringLiteral("99999")));
    QVERIFY(data.AssignEmployer(QString(QStringLiteral("1")) + US + QStringLiteral("99999")));
}

} // namespace

class TestDataModule : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void createFieldsAndOpenAll();
    void calculatedKeyTexts();
    void createdFields_data();
    void createdFields();
    void newAgreementSavedCompletely();
    void newAgreementDiscardedLeavesNothing();
    void saveFailureLeavesNoPartialAgreement();
    void saveRefusedByCreatorRule();
    void copyAgreement();
    void copyWithMissingRowRaises();
    void locateAgreement();
    void nextKey();
    void nextKeyWithoutCounterRow();
    void gapAfterFailedPost();
    void creatorRule();
    void creatorRuleWithNullInstallation();
    void installationZeroMakesOwnRowsForeign();
    void registrationDatasetsGuards_data();
    void registrationDatasetsGuards();
    void subjectTypeOf_data();
    void subjectTypeOf();
    void assignEmployerFillsType();
    void refreshCascades();
    void epksWrittenThroughStatements();
    void questionnaireTable_data();
    void questionnaireTable();
    void roundHalfAway_data();
    void roundHalfAway();
    void roundTo_data();
    void roundTo();
};

void TestDataModule::createFieldsAndOpenAll() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    QVERIFY(data);
    for (Dataset* ds : data->AllDatasets())
        QVERIFY2(ds->isActive(), qPrintable(ds->name()));
    QCOMPARE(data->AllDatasets().size(), size_t(31));
    QCOMPARE(data->TblEPKS->recordCount(), 3);
    QCOMPARE(data->TblForma->fieldByName(QStringLiteral("KOD"))->asString(), QStringLiteral("112"));
    Field* odv2 = data->TblODVINTER2->fieldByName(QStringLiteral("ODVINTER1"));
    QCOMPARE(odv2->kind(), FieldKind::Lookup);
    QCOMPARE(odv2->asString(), QStringLiteral("A Hutnictví"));
    QCOMPARE(data->TblZOOS->fieldByName(QStringLiteral("SVAZ"))->asString(), QStringLiteral("OS KOVO"));
    QCOMPARE(data->TblNUTS4->fieldByName(QStringLiteral("NUTS3"))->asString(), QStringLiteral("CZ010 Hlavní město Praha"));
    QCOMPARE(data->TblNUTS4->fieldByName(QStringLiteral("KODNAZEV"))->asString(), QStringLiteral("CZ0100 Praha"));
    QCOMPARE(data->TblNACE->fieldByName(QStringLiteral("KODNAZEV"))->size(), 510);
    QCOMPARE(data->TblEVKS->fieldByName(QStringLiteral("POPIS"))->asString(),
             QStringLiteral("OS KOVO (Hutnictví) - Svaz průmyslu"));
    QCOMPARE(data->TblSF->fieldByName(QStringLiteral("CT"))->type(), FieldType::Decimal);
    QCOMPARE(data->TblSF->fieldByName(QStringLiteral("CT"))->asFloat(), 1.5);
    data->TblSF->next();
    QCOMPARE(data->TblSF->fieldByName(QStringLiteral("CT"))->asFloat(), 5.0);
    // The detail of the first registration lists both registrations that share its content.
    QCOMPARE(data->TblSharedEPKS->recordCount(), 2);
}

void TestDataModule::calculatedKeyTexts() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    QVERIFY(data->TblZOOS->locate(QStringLiteral("ID_ZOOS"), {2}));
    QCOMPARE(data->TblZOOS->fieldByName(QStringLiteral("ID_ZOOS_INST"))->asString(), QStringLiteral("2") + US + QStringLiteral("99999"));
    // NULL parts are empty texts.
    QCOMPARE(data->TblZOOS->fieldByName(QStringLiteral("ID_ODVINTER2"))->asString(), QStringLiteral("2") + US + US);
    QVERIFY(data->TblKS->locate(QStringLiteral("ID_KS"), {2}));
    QCOMPARE(data->TblKS->fieldByName(QStringLiteral("ID_KS_VKS_INST"))->asString(), QString(US));
    // A new row has the key text 0x1F alone until it gets its key.
    data->TblZOOS->append();
    QCOMPARE(data->TblZOOS->fieldByName(QStringLiteral("ID_ZOOS_INST"))->asString(), QString(US) + QStringLiteral("99999"));
    data->TblZOOS->cancel();
}

void TestDataModule::createdFields_data() {
    QTest::addColumn<QString>("dataset");
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("lookup");
    QTest::addColumn<int>("width");
    // The value on the dataset's first fixture row; 0x1F is written as '|'.
    QTest::addColumn<QString>("value");
    const auto row = [](const char* ds, const char* field, bool lookup, int width, const char* value) {
        QTest::newRow(qPrintable(QStringLiteral("%1.%2").arg(QLatin1String(ds), QLatin1String(field))))
            << QString::fromLatin1(ds) << QString::fromLatin1(field) << lookup << width
            << QString::fromUtf8(value);
    };
    row("TblODVINTER1", "ID_ODVINTER1", false, 31, "1|A");
    row("TblODVINTER1", "KODNAZEV", false, 40, "A Hutnictví");
    row("TblODVINTER1", "SVAZ", true, 100, "OS KOVO");
    row("TblODVINTER2", "ID_ODVINTER2", false, 42, "1|A|01");
    row("TblODVINTER2", "KODNAZEV", false, 40, "01 Výroba železa");
    row("TblODVINTER2", "ODVINTER1", true, 40, "A Hutnictví");
    row("TblODVINTER2", "SVAZ", true, 100, "OS KOVO");
    row("TblREGINTER", "ID_REGINTER", false, 31, "1|R1");
    row("TblREGINTER", "KODNAZEV", false, 40, "R1 Morava");
    row("TblREGINTER", "SVAZ", true, 100, "OS KOVO");
    row("TblCININTER", "ID_CININTER", false, 31, "1|C1");
    row("TblCININTER", "KODNAZEV", false, 40, "C1 Velké podniky");
    row("TblCININTER", "SVAZ", true, 100, "OS KOVO");
    row("TblZOOS", "ID_ZOOS_INST", false, 41, "1|99999");
    row("TblZOOS", "ID_ODVINTER1", false, 31, "1|A");
    row("TblZOOS", "ID_ODVINTER2", false, 42, "1|A|01");
    row("TblZOOS", "ID_REGINTER", false, 31, "1|");
    row("TblZOOS", "ID_CININTER", false, 31, "1|");
    row("TblZOOS", "SVAZ", true, 100, "OS KOVO");
    row("TblKATP", "KODNAZEV", false, 110, "1 do 50");
    row("TblNUTS4", "KODNAZEV", false, 110, "CZ0100 Praha");
    row("TblDRVLST", "KODNAZEV", false, 110, "1 soukromé");
    row("TblForma", "KODNAZEV", false, 110, "112 Společnost s ručením omezeným");
    row("TblOKEC", "KODNAZEV", false, 110, "27.10 Výroba železa");
    row("TblNACE", "KODNAZEV", false, 510, "24.10 Výroba surového železa");
    row("TblTYPSUBJ", "KODNAZEV", false, 110, "1 Podnikatelská sféra");
    row("TblSUBJ", "ID_SUBJ_INST", false, 41, "1|99999");
    row("TblSUBJ", "SVAZ", true, 100, "OS KOVO");
    row("TblKS", "ID_KS_VKS_INST", false, 41, "50|1");
    row("TblEVKS", "ID_KS_INST", false, 41, "50|1");
}

void TestDataModule::createdFields() {
    QFETCH(QString, dataset);
    QFETCH(QString, field);
    QFETCH(bool, lookup);
    QFETCH(int, width);
    QFETCH(QString, value);
    QTemporaryDir dir;
    auto data = openFixture(dir);
    Dataset* ds = nullptr;
    for (Dataset* d : data->AllDatasets())
        if (d->name() == dataset)
            ds = d;
    QVERIFY(ds);
    ds->first();
    Field* f = ds->fieldByName(field);
    QCOMPARE(f->kind(), lookup ? FieldKind::Lookup : FieldKind::Calculated);
    QCOMPARE(f->type(), FieldType::Text);
    QCOMPARE(f->size(), width);
    QCOMPARE(f->asString(), QString(value).replace(QLatin1Char('|'), US));
    // The source columns stay beside the added fields.
    QVERIFY(ds->findField(QStringLiteral("NAZEV")) || ds->findField(QStringLiteral("ID_KS")));
}

void TestDataModule::newAgreementSavedCompletely() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    Connection* c = data->DataBase;
    appendRegistration(*data, 2011);
    data->NewQuestionnaire();
    for (size_t i = 1; i < data->QuestionnaireDatasets().size(); ++i) {
        Dataset* ds = data->QuestionnaireDatasets()[i];
        QCOMPARE(ds->fieldByName(QStringLiteral("ID_INST_KS"))->value(), QVariant(qlonglong(99999)));
        QVERIFY(ds->fieldByName(QStringLiteral("ID_KS"))->isNull());
    }
    QVERIFY(data->IsQuestionnaireModified());
    data->TblMZN->fieldByName(QStringLiteral("MZN1"))->setAsString(QStringLiteral("123,5"));
    QVERIFY(data->SaveQuestionnaire());
    QVERIFY(!data->IsQuestionnaireModified());
    QVERIFY(!c->inTransaction());
    // KS counter was 2: the new content key is 3.
    for (const char* t : {"KS", "SPOLUP", "MZN", "MZT", "PRIPLAT", "ODMENY", "PRDOBA", "PREKAZKY", "SF", "ZAMEST"})
        QVERIFY2(count(c, QStringLiteral("SELECT count(*) FROM %1 WHERE ID_KS = 3 AND ID_INST_KS = 99999").arg(QLatin1String(t))) == 1, t);
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM EPKS WHERE ID_KS = 3 AND ID_INST_KS = 99999 AND ROK = 2011 "
                                     "AND ID_TYPSUBJ = 1 AND ID_INST_EPKS = 99999")), 1);
    QCOMPARE(TDB::QueryValue(c, QStringLiteral("SELECT MZN1 FROM MZN WHERE ID_KS = 3")).toDouble(), 123.5);
    // The list re-read the row with the identifier the database gave it and stands on it.
    QCOMPARE(data->TblEPKS->recordCount(), 4);
    QCOMPARE(data->TblEPKS->fieldByName(QStringLiteral("ID_EPKS"))->asInteger(), 4);
    QCOMPARE(data->TblEPKS->fieldByName(QStringLiteral("ROK"))->asInteger(), 2011);
    QCOMPARE(data->TblSharedEPKS->recordCount(), 1);
    // Saving again writes the same rows, no duplicates.
    QVERIFY(data->SaveQuestionnaire());
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM SPOLUP")), 3);
    QCOMPARE(count(c, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'KS'")), 3);
}

void TestDataModule::newAgreementDiscardedLeavesNothing() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    Connection* c = data->DataBase;
    appendRegistration(*data, 2011);
    data->NewQuestionnaire();
    data->TblSPOLUP->fieldByName(QStringLiteral("SPOLUP1"))->setValue(true);
    data->CancelQuestionnaire();
    QVERIFY(!data->IsQuestionnaireModified());
    QVERIFY(!data->TblEPKS->isEditing());
    for (const char* t : {"KS", "SPOLUP", "MZN", "SF", "ZAMEST"})
        QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(t))), qlonglong(QByteArray(t) == "KS" ? 3 : 2));
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM EPKS")), 3);
    QCOMPARE(data->TblKS->recordCount(), 3);
    QCOMPARE(data->TblSPOLUP->recordCount(), 2);
    QCOMPARE(data->TblEPKS->recordCount(), 3);
    QCOMPARE(count(c, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'KS'")), 2);
}

void TestDataModule::saveFailureLeavesNoPartialAgreement() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    Connection* c = data->DataBase;
    TDB::Execute(c, QStringLiteral("CREATE TRIGGER NOZAMEST BEFORE INSERT ON ZAMEST BEGIN SELECT RAISE(ABORT, 'disk'); END"));
    appendRegistration(*data, 2011);
    data->NewQuestionnaire();
    QVERIFY_THROWS_EXCEPTION(DbError, data->SaveQuestionnaire());
    QVERIFY(!c->inTransaction());
    // Nothing of the agreement was stored, the key went back with the rest.
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM KS")), 3);
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM SPOLUP")), 2);
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM EPKS")), 3);
    QCOMPARE(count(c, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'KS'")), 2);
    // The datasets show what the file holds.
    QCOMPARE(data->TblKS->recordCount(), 3);
    QCOMPARE(data->TblSPOLUP->recordCount(), 2);
    QVERIFY(!data->IsQuestionnaireModified());
    QVERIFY(!data->TblEPKS->isEditing());
    QVERIFY(data->LocateAgreement(1, 99999));
}

void TestDataModule::saveRefusedByCreatorRule() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    RecordingSink sink;
    TDB::Execute(data->DataBase, QStringLiteral("UPDATE KS SET ID_INST_KS = 12345 WHERE ID_KS = 2; "
                                                "UPDATE SPOLUP SET ID_INST_KS = 12345 WHERE ID_KS = 2"));
    data->TblKS->refresh();
    QVERIFY(data->LocateAgreement(1, 99999));
    QVERIFY(data->TblKS->locate(QStringLiteral("ID_KS;ID_INST_KS"), {2, 12345}));
    QVERIFY(data->TblSPOLUP->locate(QStringLiteral("ID_KS;ID_INST_KS"), {2, 12345}));
    data->TblKS->edit();
    data->TblKS->fieldByName(QStringLiteral("MEMO"))->setValue(QStringLiteral("změna"));
    data->TblSPOLUP->edit();
    data->TblSPOLUP->fieldByName(QStringLiteral("SPOLUP1"))->setValue(true);
    QVERIFY(!data->SaveQuestionnaire());
    QCOMPARE(sink.errors(), QStringList{QStringLiteral("Záznam může upravovat pouze jeho zakladatel.")});
    QCOMPARE(data->TblKS->state(), DatasetState::Edit);
    QCOMPARE(data->TblSPOLUP->state(), DatasetState::Edit);
    QVERIFY(data->IsQuestionnaireModified());
    QVERIFY(TDB::QueryValue(data->DataBase, QStringLiteral("SELECT MEMO FROM KS WHERE ID_KS = 2")).isNull());
    QVERIFY(TDB::QueryValue(data->DataBase, QStringLiteral("SELECT SPOLUP1 FROM SPOLUP WHERE ID_KS = 2")).isNull());
    data->CancelQuestionnaire();
}

void TestDataModule::copyAgreement() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    QStringList log;
    data->setLogger([&log](const QString& line) { log << line; });
    appendRegistration(*data, 2012);
    data->CopyQuestionnaire(1, 99999);
    QCOMPARE(log.mid(0, 7), (QStringList{QStringLiteral("CopyTableData TblKS"), QStringLiteral("ID_KS 1"),
                                         QStringLiteral("zjisteni vsech poli v datasetu"),
                                         QStringLiteral("zjisteni vsech hodnot urceneho zaznamu"),
                                         QStringLiteral("DataSet.Append"), QStringLiteral("prekopirovani hodnot"),
                                         QStringLiteral("ukonceno kopirovani")}));
    QCOMPARE(log.size(), 70);
    QCOMPARE(log.at(63), QStringLiteral("CopyTableData TblZAMEST"));
    Dataset* ks = data->TblKS;
    QCOMPARE(ks->state(), DatasetState::Insert);
    QVERIFY(ks->fieldByName(QStringLiteral("ID_KS"))->isNull());
    QCOMPARE(ks->fieldByName(QStringLiteral("ID_INST_KS"))->asInteger(), 99999);
    QCOMPARE(ks->fieldByName(QStringLiteral("ID_KS_VKS"))->asInteger(), 50);
    QCOMPARE(ks->fieldByName(QStringLiteral("MEMO"))->asString(), QStringLiteral("Poznámka O'Neil"));
    QCOMPARE(ks->fieldByName(QStringLiteral("DATPLOD"))->asDate(), QDate(2009, 2, 1));
    QCOMPARE(ks->fieldByName(QStringLiteral("ID_KS_VKS_INST"))->asString(), QStringLiteral("50") + US + QStringLiteral("1"));
    QCOMPARE(data->TblSPOLUP->fieldByName(QStringLiteral("SPOLUP2"))->asString(), QStringLiteral("spolupráce"));
    QVERIFY(data->TblSPOLUP->fieldByName(QStringLiteral("ID_INST_KS"))->isNull());
    QCOMPARE(data->TblSF->fieldByName(QStringLiteral("CT"))->asFloat(), 1.5);
    QVERIFY(data->SaveQuestionnaire());
    Connection* c = data->DataBase;
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM PRDOBA WHERE ID_KS = 3 AND ID_INST_KS = 99999 AND PD1 = 37.5")), 1);
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM KS WHERE ID_KS = 3 AND ID_KS_VKS = 50 AND DATPL = '2010-01-31'")), 1);
    // The source is untouched.
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM SPOLUP WHERE ID_KS = 1 AND SPOLUP2 = 'spolupráce'")), 1);
}

void TestDataModule::copyWithMissingRowRaises() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    TDB::Execute(data->DataBase, QStringLiteral("DELETE FROM SPOLUP WHERE ID_KS = 1"));
    data->TblSPOLUP->refresh();
    try {
        data->CopyQuestionnaire(1, 99999);
        QFAIL("no error");
    } catch (const DbError& e) {
        QCOMPARE(e.message(), QStringLiteral("Nezdařilo se hledání zdrojového záznamu"));
    }
    QCOMPARE(data->TblKS->state(), DatasetState::Insert);
    QCOMPARE(data->TblSPOLUP->state(), DatasetState::Browse);
    data->CancelQuestionnaire();
    QCOMPARE(count(data->DataBase, QStringLiteral("SELECT count(*) FROM KS")), 3);
    QCOMPARE(data->TblKS->recordCount(), 3);
}

void TestDataModule::locateAgreement() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    QVERIFY(data->LocateAgreement(2, 99999));
    for (Dataset* ds : data->QuestionnaireDatasets())
        QCOMPARE(ds->fieldByName(QStringLiteral("ID_KS"))->asInteger(), 2);
    QVERIFY(data->LocateAgreement(1, 99999));
    TDB::Execute(data->DataBase, QStringLiteral("DELETE FROM MZT WHERE ID_KS = 2"));
    data->TblMZT->refresh();
    QVERIFY(!data->LocateAgreement(2, 99999));
    // Tables before the missing one moved, the rest did not.
    QCOMPARE(data->TblMZN->fieldByName(QStringLiteral("ID_KS"))->asInteger(), 2);
    QCOMPARE(data->TblPRIPLAT->fieldByName(QStringLiteral("ID_KS"))->asInteger(), 1);
    QVERIFY(!data->LocateAgreement(1, 12345));
}

void TestDataModule::nextKey() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    // NULL counts as 0: the first key of a NULL counter is 1.
    TDB::Execute(data->DataBase, QStringLiteral("UPDATE AUTOINC SET HODNOTA = NULL WHERE TABULKA = 'ZOOS'"));
    QCOMPARE(data->NextKey(QStringLiteral("ZOOS")), 1);
    QCOMPARE(data->NextKey(QStringLiteral("ZOOS")), 2);
    QCOMPARE(count(data->DataBase, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ZOOS'")), 2);
    QVERIFY(!data->DataBase->inTransaction());
    // Two employers in a row differ by one and both belong to this installation.
    for (int i = 0; i < 2; ++i) {
        data->TblSUBJ->append();
        data->TblSUBJ->fieldByName(QStringLiteral("NAZEV"))->setValue(QStringLiteral("Nový %1").arg(i));
        data->TblSUBJ->post();
    }
    QCOMPARE(count(data->DataBase, QStringLiteral("SELECT count(*) FROM SUBJ WHERE ID_SUBJ IN (3, 4) AND ID_INST_SUBJ = 99999")), 2);
    QCOMPARE(data->TblSUBJ->fieldByName(QStringLiteral("ID_SUBJ_INST"))->asString(), QStringLiteral("4") + US + QStringLiteral("99999"));
}

void TestDataModule::nextKeyWithoutCounterRow() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    RecordingSink sink;
    TDB::Execute(data->DataBase, QStringLiteral("DELETE FROM AUTOINC WHERE TABULKA = 'ZOOS'"));
    try {
        data->NextKey(QStringLiteral("ZOOS"));
        QFAIL("no error");
    } catch (const DbError& e) {
        QCOMPARE(e.message(), QStringLiteral("Nelze získat hodnotu AutoInc."));
    }
    QVERIFY(!data->DataBase->inTransaction());
    QCOMPARE(count(data->DataBase, QStringLiteral("SELECT count(*) FROM AUTOINC WHERE TABULKA = 'ZOOS'")), 0);
    // The post that asked for it fails and stays in insert state.
    data->TblZOOS->append();
    QVERIFY_THROWS_EXCEPTION(DbError, data->TblZOOS->post());
    QCOMPARE(data->TblZOOS->state(), DatasetState::Insert);
    data->TblZOOS->cancel();
    QCOMPARE(count(data->DataBase, QStringLiteral("SELECT count(*) FROM ZOOS")), 3);
    QVERIFY(sink.messages.isEmpty());
}

void TestDataModule::gapAfterFailedPost() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    // A trigger makes the insert of the next organisation fail after its key was handed out.
    TDB::Execute(data->DataBase, QStringLiteral("CREATE TRIGGER NOZOOS BEFORE INSERT ON ZOOS WHEN NEW.NAZEV = 'x' "
                                                "BEGIN SELECT RAISE(ABORT, 'odmítnuto'); END"));
    data->TblZOOS->append();
    data->TblZOOS->fieldByName(QStringLiteral("NAZEV"))->setValue(QStringLiteral("x"));
    QVERIFY_THROWS_EXCEPTION(DbError, data->TblZOOS->post());
    QCOMPARE(data->TblZOOS->state(), DatasetState::Insert);
    data->TblZOOS->fieldByName(QStringLiteral("NAZEV"))->setValue(QStringLiteral("y"));
    data->TblZOOS->post();
    // Key 3 went to the failed post; the stored row got 4 and no row has 3.
    QCOMPARE(data->TblZOOS->fieldByName(QStringLiteral("ID_ZOOS"))->asInteger(), 4);
    QCOMPARE(count(data->DataBase, QStringLiteral("SELECT count(*) FROM ZOOS WHERE ID_ZOOS = 3")), 0);
    QCOMPARE(count(data->DataBase, QStringLiteral("SELECT count(*) FROM ZOOS WHERE ID_ZOOS = 4 AND ID_INST_ZOOS = 99999")), 1);
}

void TestDataModule::creatorRule() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    RecordingSink sink;
    Dataset* subj = data->TblSUBJ;
    QVERIFY(subj->locate(QStringLiteral("ID_SUBJ;ID_INST_SUBJ"), {7, 12345}));
    subj->edit();
    subj->fieldByName(QStringLiteral("NAZEV"))->setValue(QStringLiteral("Změna"));
    QVERIFY_THROWS_EXCEPTION(SilentAbort, subj->post());
    QCOMPARE(subj->state(), DatasetState::Edit);
    QCOMPARE(sink.errors(), QStringList{QStringLiteral("Záznam může upravovat pouze jeho zakladatel.")});
    subj->cancel();
    QVERIFY_THROWS_EXCEPTION(SilentAbort, subj->deleteRecord());
    QCOMPARE(sink.errors().last(), QStringLiteral("Záznam může smazat pouze jeho zakladatel."));
    QCOMPARE(count(data->DataBase, QStringLiteral("SELECT count(*) FROM SUBJ WHERE ID_SUBJ = 7 AND NAZEV = 'Cizí zaměstnavatel'")), 1);
    QCOMPARE(subj->fieldByName(QStringLiteral("ID_SUBJ"))->asInteger(), 7);
    // Own rows pass; a registration of another installation cannot be deleted, but its post is free.
    QVERIFY(subj->locate(QStringLiteral("ID_SUBJ"), {1}));
    subj->edit();
    subj->fieldByName(QStringLiteral("NAZEV"))->setValue(QStringLiteral("Železárny Nové"));
    subj->post();
    QCOMPARE(count(data->DataBase, QStringLiteral("SELECT count(*) FROM SUBJ WHERE NAZEV = 'Železárny Nové'")), 1);
    TDB::Execute(data->DataBase, QStringLiteral("UPDATE EPKS SET ID_INST_EPKS = 12345 WHERE ID_EPKS = 2"));
    data->TblEPKS->refresh();
    QVERIFY(data->TblEPKS->locate(QStringLiteral("ID_EPKS"), {2}));
    data->TblEPKS->edit();
    data->TblEPKS->fieldByName(QStringLiteral("PLATNOST"))->setValue(true);
    data->TblEPKS->post();
    QCOMPARE(count(data->DataBase, QStringLiteral("SELECT count(*) FROM EPKS WHERE ID_EPKS = 2 AND PLATNOST = 'Y'")), 1);
    QVERIFY(data->TblEPKS->locate(QStringLiteral("ID_EPKS"), {2}));
    QVERIFY_THROWS_EXCEPTION(SilentAbort, data->TblEPKS->deleteRecord());
    QCOMPARE(count(data->DataBase, QStringLiteral("SELECT count(*) FROM EPKS")), 3);
}

void TestDataModule::creatorRuleWithNullInstallation() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    RecordingSink sink;
    TDB::Execute(data->DataBase, QStringLiteral("UPDATE KS SET ID_INST_KS = NULL WHERE ID_KS = 2"));
    data->TblKS->refresh();
    QVERIFY(data->TblKS->locate(QStringLiteral("ID_KS"), {2}));
    data->TblKS->edit();
    data->TblKS->fieldByName(QStringLiteral("MEMO"))->setValue(QStringLiteral("x"));
    QVERIFY_THROWS_EXCEPTION(SilentAbort, data->TblKS->post());
    data->TblKS->cancel();
    QVERIFY_THROWS_EXCEPTION(SilentAbort, data->TblKS->deleteRecord());
    QCOMPARE(sink.errors().size(), 2);
    QVERIFY(data->IsForeignRecord(QVariant()));
}

void TestDataModule::installationZeroMakesOwnRowsForeign() {
    QTemporaryDir dir;
    auto data = openFixture(dir, true, false);
    RecordingSink sink;
    QCOMPARE(data->InstallationId(), 0);
    data->TblZOOS->append();
    QCOMPARE(data->TblZOOS->fieldByName(QStringLiteral("ID_INST_ZOOS"))->value(), QVariant(qlonglong(0)));
    data->TblZOOS->post();
    QCOMPARE(count(data->DataBase, QStringLiteral("SELECT count(*) FROM ZOOS WHERE ID_ZOOS = 3 AND ID_INST_ZOOS = 0")), 1);
    QVERIFY(data->TblZOOS->locate(QStringLiteral("ID_ZOOS"), {1}));
    data->TblZOOS->edit();
    data->TblZOOS->fieldByName(QStringLiteral("KOD"))->setValue(QStringLiteral("9"));
    QVERIFY_THROWS_EXCEPTION(SilentAbort, data->TblZOOS->post());
    QVERIFY(data->IsForeignRow(data->GridViewZOOS, data->TblZOOS->recNo()));
    QCOMPARE(sink.errors().size(), 1);
}

void TestDataModule::registrationDatasetsGuards_data() {
    QTest::addColumn<QString>("dataset");
    QTest::addColumn<QString>("installation");
    // A row of another installation in the fixture (ID_EPKS 2 is made foreign by the test).
    QTest::addColumn<QString>("keyFields");
    QTest::addColumn<QVariantList>("foreignKey");
    QTest::addColumn<QString>("editedField");
    QTest::addColumn<QVariant>("editedValue");
    QTest::addColumn<bool>("postGuarded");
    QTest::newRow("ZOOS") << "TblZOOS" << "ID_INST_ZOOS" << "ID_ZOOS;ID_INST_ZOOS" << QVariantList{5, 12345} << "NAZEV"
                          << QVariant(QStringLiteral("Změna")) << true;
    QTest::newRow("SUBJ") << "TblSUBJ" << "ID_INST_SUBJ" << "ID_SUBJ;ID_INST_SUBJ" << QVariantList{7, 12345} << "NAZEV"
                          << QVariant(QStringLiteral("Změna")) << true;
    QTest::newRow("KS") << "TblKS" << "ID_INST_KS" << "ID_KS;ID_INST_KS" << QVariantList{50, 1} << "MEMO"
                        << QVariant(QStringLiteral("Změna")) << true;
    QTest::newRow("EPKS") << "TblEPKS" << "ID_INST_EPKS" << "ID_EPKS;ID_INST_EPKS" << QVariantList{2, 12345}
                          << "PLATNOST" << QVariant(true) << false;
    QTest::newRow("EVKS") << "TblEVKS" << "ID_INST_EVKS" << "ID_EVKS;ID_INST_EVKS" << QVariantList{1, 1} << "PLATNOST"
                          << QVariant(false) << false;
}

void TestDataModule::registrationDatasetsGuards() {
    QFETCH(QString, dataset);
    QFETCH(QString, installation);
    QFETCH(QString, keyFields);
    QFETCH(QVariantList, foreignKey);
    QFETCH(QString, editedField);
    QFETCH(QVariant, editedValue);
    QFETCH(bool, postGuarded);
    QTemporaryDir dir;
    auto data = openFixture(dir);
    RecordingSink sink;
    Connection* c = data->DataBase;
    TDB::Execute(c, QStringLiteral("UPDATE EPKS SET ID_INST_EPKS = 12345 WHERE ID_EPKS = 2"));
    data->TblEPKS->refresh();
    Dataset* ds = nullptr;
    for (Dataset* d : data->AllDatasets())
        if (d->name() == dataset)
            ds = d;
    QVERIFY(ds);
    const QString table = dataset.mid(3);
    const QStringList keys = keyFields.split(QLatin1Char(';'));
    const QString where = QStringLiteral("%1 = %2 AND %3 = %4")
                              .arg(keys[0], foreignKey[0].toString(), keys[1], foreignKey[1].toString());
    const qlonglong rows = count(c, QStringLiteral("SELECT count(*) FROM %1").arg(table));

    // A new row belongs to this installation from the moment it is inserted.
    ds->append();
    QCOMPARE(ds->fieldByName(installation)->value(), QVariant(qlonglong(99999)));
    ds->cancel();

    // Changing a row of another installation.
    QVERIFY(ds->locate(keyFields, foreignKey));
    ds->edit();
    ds->fieldByName(editedField)->setValue(editedValue);
    const QString stored = QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(editedField, table, where);
    const QVariant before = TDB::QueryValue(c, stored);
    if (postGuarded) {
        QVERIFY_THROWS_EXCEPTION(SilentAbort, ds->post());
        QCOMPARE(ds->state(), DatasetState::Edit);
        QCOMPARE(sink.errors(), QStringList{QStringLiteral("Záznam může upravovat pouze jeho zakladatel.")});
        QCOMPARE(TDB::QueryValue(c, stored), before);
        ds->cancel();
    } else {
        ds->post();
        QVERIFY(sink.errors().isEmpty());
        const QString expected = editedValue.toBool() ? QStringLiteral("Y") : QStringLiteral("N");
        QCOMPARE(TDB::QueryValue(c, stored).toString(), expected);
    }

    // Deleting it.
    QVERIFY(ds->locate(keyFields, foreignKey));
    sink.clear();
    QVERIFY_THROWS_EXCEPTION(SilentAbort, ds->deleteRecord());
    QCOMPARE(sink.errors(), QStringList{QStringLiteral("Záznam může smazat pouze jeho zakladatel.")});
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM %1").arg(table)), rows);
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM %1 WHERE %2").arg(table, where)), 1);
    QVERIFY(ds->locate(keyFields, foreignKey));
}

void TestDataModule::subjectTypeOf_data() {
    QTest::addColumn<QVariant>("key");
    QTest::addColumn<int>("expected");
    QTest::newRow("own employer") << QVariant(QString(QStringLiteral("2")) + US + QStringLiteral("99999")) << 3;
    QTest::newRow("foreign employer") << QVariant(QString(QStringLiteral("7")) + US + QStringLiteral("12345")) << 2;
    QTest::newRow("no such employer") << QVariant(QString(QStringLiteral("9")) + US + QStringLiteral("99999")) << 0;
    QTest::newRow("NULL") << QVariant() << 0;
    QTest::newRow("no separator") << QVariant(QStringLiteral("1")) << 0;
    QTest::newRow("empty parts") << QVariant(QString(US)) << 0;
    QTest::newRow("injection") << QVariant(QString(QStringLiteral("1")) + US + QStringLiteral("1 OR 1=1")) << 0;
    QTest::newRow("injection first") << QVariant(QStringLiteral("0 OR 1=1") + US + QStringLiteral("99999")) << 0;
    QTest::newRow("statement") << QVariant(QStringLiteral("1; DELETE FROM SUBJ") + US + QStringLiteral("99999")) << 0;
}

void TestDataModule::subjectTypeOf() {
    QFETCH(QVariant, key);
    QFETCH(int, expected);
    QTemporaryDir dir;
    auto data = openFixture(dir);
    QCOMPARE(data->SubjectTypeOf(key), expected);
    QCOMPARE(count(data->DataBase, QStringLiteral("SELECT count(*) FROM SUBJ")), 3);
}

void TestDataModule::assignEmployerFillsType() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    Dataset* epks = data->TblEPKS;
    epks->append();
    const QString key = QStringLiteral("2") + US + QStringLiteral("99999");
    QVERIFY(data->AssignEmployer(key));
    QCOMPARE(epks->fieldByName(QStringLiteral("ID_SUBJ"))->asInteger(), 2);
    QCOMPARE(epks->fieldByName(QStringLiteral("ID_TYPSUBJ"))->asInteger(), 3);
    // The same key again changes nothing; filling the type alone does not count.
    QVERIFY(!data->AssignEmployer(key));
    QVERIFY(!data->AssignUnionOrganisation(QVariant()));
    QVERIFY(!data->AssignUnionOrganisation(QStringLiteral("x") + US + QStringLiteral("1")));
    QVERIFY(epks->fieldByName(QStringLiteral("ID_ZOOS"))->isNull());
    epks->cancel();
    // On an existing row the list goes into edit state.
    QVERIFY(epks->locate(QStringLiteral("ID_EPKS"), {1}));
    QVERIFY(data->AssignUnionOrganisation(QStringLiteral("2") + US + QStringLiteral("99999")));
    QCOMPARE(epks->state(), DatasetState::Edit);
    QCOMPARE(epks->fieldByName(QStringLiteral("ID_TYPSUBJ"))->asInteger(), 1);
    epks->cancel();
}

void TestDataModule::refreshCascades() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    TDB::Execute(data->DataBase, QStringLiteral("INSERT INTO ZAMEST VALUES (9, 99999, 'Y', 1); "
                                                "INSERT INTO SPOLUP VALUES (9, 99999, 'Y', NULL)"));
    QCOMPARE(data->TblZAMEST->recordCount(), 2);
    QStringList order;
    for (Dataset* ds : data->QuestionnaireDatasets())
        connect(ds, &Dataset::dataReset, this, [&order, ds] { order << ds->name(); });
    data->TblKS->refresh();
    QCOMPARE(order, (QStringList{QStringLiteral("TblKS"), QStringLiteral("TblSPOLUP"), QStringLiteral("TblMZN"),
                                  QStringLiteral("TblMZT"), QStringLiteral("TblPRIPLAT"), QStringLiteral("TblODMENY"),
                                  QStringLiteral("TblPRDOBA"), QStringLiteral("TblPREKAZKY"), QStringLiteral("TblSF"),
                                  QStringLiteral("TblZAMEST")}));
    QCOMPARE(data->TblZAMEST->recordCount(), 3);
    // After a post of a registration, the shared list is read again.
    TDB::Execute(data->DataBase, QStringLiteral("UPDATE EPKS SET ROK = 2020 WHERE ID_EPKS = 3"));
    QVERIFY(data->TblEPKS->locate(QStringLiteral("ID_EPKS"), {1}));
    data->TblEPKS->edit();
    data->TblEPKS->fieldByName(QStringLiteral("PLATNOST"))->setValue(false);
    data->TblEPKS->post();
    QCOMPARE(data->TblEPKS->fieldByName(QStringLiteral("ID_EPKS"))->asInteger(), 1);
    QVERIFY(data->TblSharedEPKS->locate(QStringLiteral("ID_EPKS"), {3}));
    QCOMPARE(data->TblSharedEPKS->fieldByName(QStringLiteral("ROK"))->asInteger(), 2020);
}

void TestDataModule::epksWrittenThroughStatements() {
    QTemporaryDir dir;
    auto data = openFixture(dir);
    Connection* c = data->DataBase;
    Dataset* epks = data->TblEPKS;
    QVERIFY(epks->locate(QStringLiteral("ID_EPKS"), {2}));
    epks->edit();
    // ROK never changes after insert: the modify statement does not write it.
    epks->fieldByName(QStringLiteral("ROK"))->setValue(1999);
    epks->fieldByName(QStringLiteral("PLATNOST"))->setValue(true);
    epks->post();
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM EPKS WHERE ID_EPKS = 2 AND ROK = 2010 AND PLATNOST = 'Y'")), 1);
    QCOMPARE(epks->fieldByName(QStringLiteral("ROK"))->asInteger(), 2010);
    // Delete removes the registration only; the shared content stays.
    QVERIFY(epks->locate(QStringLiteral("ID_EPKS"), {3}));
    epks->deleteRecord();
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM EPKS")), 2);
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM KS WHERE ID_KS = 1")), 1);
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM SPOLUP WHERE ID_KS = 1")), 1);
    // A text with quotes goes through bound parameters.
    QVERIFY(data->TblEVKS->locate(QStringLiteral("ID_EVKS"), {1}));
    data->TblEVKS->edit();
    data->TblEVKS->fieldByName(QStringLiteral("KOD_ODVINTER1"))->setValue(QStringLiteral("A');--"));
    data->TblEVKS->post();
    QCOMPARE(TDB::QueryValue(c, QStringLiteral("SELECT KOD_ODVINTER1 FROM EVKS WHERE ID_EVKS = 1")).toString(),
             QStringLiteral("A');--"));
    QCOMPARE(count(c, QStringLiteral("SELECT count(*) FROM KS")), 3);
}

void TestDataModule::questionnaireTable_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("dataset");
    for (const char* n : {"KS", "EPKS", "EVKS", "SPOLUP", "MZN", "MZT", "PRIPLAT", "ODMENY", "PRDOBA", "PREKAZKY", "SF", "ZAMEST"})
        QTest::newRow(n) << QString::fromLatin1(n) << QStringLiteral("Tbl") + QLatin1String(n);
    QTest::newRow("lower case") << QStringLiteral("ks") << QString();
    QTest::newRow("code list") << QStringLiteral("SVAZ") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void TestDataModule::questionnaireTable() {
    QFETCH(QString, name);
    QFETCH(QString, dataset);
    TData data;
    Dataset* ds = data.QuestionnaireTable(name);
    QCOMPARE(ds ? ds->name() : QString(), dataset);
}

void TestDataModule::roundHalfAway_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("expected");
    QTest::newRow("2.5") << 2.5 << 3.0;
    QTest::newRow("-2.5") << -2.5 << -3.0;
    QTest::newRow("2.4999999999999996") << 2.4999999999999996 << 3.0;
    QTest::newRow("-2.4999999999999996") << -2.4999999999999996 << -3.0;
    QTest::newRow("2.49") << 2.49 << 2.0;
    QTest::newRow("-2.49") << -2.49 << -2.0;
    QTest::newRow("0") << 0.0 << 0.0;
    QTest::newRow("0.5") << 0.5 << 1.0;
    QTest::newRow("7") << 7.0 << 7.0;
}

void TestDataModule::roundHalfAway() {
    QFETCH(double, x);
    QFETCH(double, expected);
    QCOMPARE(TMath::RoundHalfAway(x), expected);
}

void TestDataModule::roundTo_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("digits");
    QTest::addColumn<double>("expected");
    QTest::newRow("6 digits") << 1.23456785 << 6 << 1.234568;
    QTest::newRow("-2 digits") << 1250.0 << -2 << 1300.0;
    QTest::newRow("2 digits") << 2.675 << 2 << 2.68;
    QTest::newRow("0 digits") << -0.5 << 0 << -1.0;
}

void TestDataModule::roundTo() {
    QFETCH(double, x);
    QFETCH(int, digits);
    QFETCH(double, expected);
    QCOMPARE(TMath::RoundTo(x, digits), expected);
}

QTEST_GUILESS_MAIN(TestDataModule)
#include "test_data_module.moc"
