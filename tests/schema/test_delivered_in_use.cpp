// The delivered database in the hands of the program: the data module opens every dataset over it with
// the field types the declared types promise, an agreement is entered and saved through it, and the
// transfer file is built from it.

#include "data/connection.h"
#include "data/data_module.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/sql_utils.h"
#include "support/test_support.h"
#include "transfer/export.h"

#include <QDate>
#include <QtTest>

#include <memory>

using namespace mero;

namespace {

const QChar US(0x1F);

qlonglong count(Connection* c, const QString& sql) {
    return TDB::QueryValue(c, sql).toLongLong();
}

FieldType expectedType(const QString& declared, int* size) {
    const QString base = declared.section(QLatin1Char('('), 0, 0).trimmed().toUpper();
    *size = declared.section(QLatin1Char('('), 1, 1).section(QLatin1Char(')'), 0, 0).toInt();
    if (base == QStringLiteral("BOOLEAN"))
        return FieldType::YesNo;
    if (base == QStringLiteral("DATE"))
        return FieldType::Date;
    if (base == QStringLiteral("INTEGER"))
        return FieldType::Integer;
    if (base == QStringLiteral("NUMERIC"))
        return FieldType::Decimal;
    if (base == QStringLiteral("VARCHAR"))
        return FieldType::Text;
    return FieldType::Memo;
}

struct Opened {
    QTemporaryDir dir;
    std::unique_ptr<TData> data;
};

std::unique_ptr<Opened> openDelivered() {
    auto o = std::make_unique<Opened>();
    const QString path = test::copyInto(o->dir, test::deliveredDatabase());
    o->data = std::make_unique<TData>();
    if (!o->data->ConnectDatabase(path))
        return nullptr;
    o->data->CreateFields();
    o->data->OpenAll();
    if (o->data->InstallationId() == 0)
        o->data->ActivateInstallation();
    return o;
}

} // namespace

class TestDeliveredInUse : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void datasetsOpenWithDeclaredTypes();
    void lookupsShowTheCodeLists();
    void agreementFromEntryToTransferFile();
};

void TestDeliveredInUse::datasetsOpenWithDeclaredTypes() {
    auto o = openDelivered();
    QVERIFY(o);
    TData& data = *o->data;
    QCOMPARE(data.InstallationId(), 99999);
    for (Dataset* ds : data.AllDatasets())
        QVERIFY2(ds->isActive(), qPrintable(ds->name()));
    // Every column of every table dataset reads with the type its declaration names.
    for (Dataset* ds : data.AllDatasets()) {
        if (ds->tableName().isEmpty())
            continue;
        Statement info =
            data.DataBase->prepare(QStringLiteral("PRAGMA table_info(\"%1\")").arg(ds->tableName()));
        int columns = 0;
        while (info.step()) {
            const QString column = info.value(1).toString();
            int size = 0;
            const FieldType type = expectedType(info.value(2).toString(), &size);
            Field* f = ds->findField(column);
            QVERIFY2(f, qPrintable(ds->tableName() + QLatin1Char('.') + column));
            QVERIFY2(f->type() == type, qPrintable(ds->tableName() + QLatin1Char('.') + column));
            if (type == FieldType::Text)
                QCOMPARE(f->size(), size);
            ++columns;
        }
        QVERIFY2(columns > 0, qPrintable(ds->tableName()));
    }
    QCOMPARE(data.TblZAMEST->fieldByName(QStringLiteral("TO"))->type(), FieldType::YesNo);
    QCOMPARE(data.TblKS->fieldByName(QStringLiteral("DATUZ"))->type(), FieldType::Date);
    QCOMPARE(data.TblKS->fieldByName(QStringLiteral("MEMO"))->type(), FieldType::Memo);
    QCOMPARE(data.TblSF->fieldByName(QStringLiteral("UURAZP"))->type(), FieldType::Decimal);
}

void TestDeliveredInUse::lookupsShowTheCodeLists() {
    auto o = openDelivered();
    QVERIFY(o);
    TData& data = *o->data;
    QCOMPARE(data.TblNUTS4->recordCount(), 77);
    QVERIFY(data.TblNUTS4->locate(QStringLiteral("KOD"), {QStringLiteral("CZ0642")}));
    QCOMPARE(data.TblNUTS4->fieldByName(QStringLiteral("NUTS3"))->asString(),
             QStringLiteral("CZ064 Jihomoravský kraj"));
    QCOMPARE(data.TblNUTS4->fieldByName(QStringLiteral("KODNAZEV"))->asString(),
             QStringLiteral("CZ0642 Brno-město"));
    QVERIFY(data.TblNACE->locate(QStringLiteral("KOD"), {QStringLiteral("86")}));
    QCOMPARE(data.TblNACE->fieldByName(QStringLiteral("ODDIL"))->asString(),
             QStringLiteral("86 Zdravotní péče"));
    QCOMPARE(data.TblNACE->fieldByName(QStringLiteral("SEKCE"))->asString(),
             QStringLiteral("Q Zdravotní a sociální péče"));
    QVERIFY(data.TblOKEC->recordCount() > 0);
    QVERIFY(!data.TblOKEC->fieldByName(QStringLiteral("SEKCE"))->asString().isEmpty());
    QCOMPARE(data.TblTYPSUBJ->recordCount(), 4);
    QVERIFY(data.TblForma->recordCount() > 10);
    // Higher-level agreements: every delivered row is listed with its description.
    QCOMPARE(data.TblEVKS->recordCount(),
             int(count(data.DataBase, QStringLiteral("SELECT COUNT(*) FROM EVKS"))));
    QVERIFY(data.TblEVKS->locate(QStringLiteral("ID_EVKS"), {1}));
    QCOMPARE(data.TblEVKS->fieldByName(QStringLiteral("POPIS"))->asString(),
             QStringLiteral("Odborový svaz KOVO (Strojírenství) - Svaz strojírenské technologie"));
    QCOMPARE(data.TblEVKS->fieldByName(QStringLiteral("ID_KS_INST"))->asString(),
             QStringLiteral("1") + US + QStringLiteral("1"));
    // Their content is complete, so an agreement can start as a copy of one.
    QVERIFY(data.LocateAgreement(1, 1));
}

void TestDeliveredInUse::agreementFromEntryToTransferFile() {
    auto o = openDelivered();
    QVERIFY(o);
    TData& data = *o->data;
    Connection* c = data.DataBase;

    data.TblSUBJ->append();
    data.TblSUBJ->fieldByName(QStringLiteral("NAZEV"))->setValue(QStringLiteral("Strojírny Žďár, a.s."));
    data.TblSUBJ->fieldByName(QStringLiteral("ICO"))->setValue(QStringLiteral("25596641"));
    data.TblSUBJ->fieldByName(QStringLiteral("ID_SVAZ"))->setValue(1);
    data.TblSUBJ->fieldByName(QStringLiteral("ID_TYPSUBJ"))->setValue(1);
    data.TblSUBJ->fieldByName(QStringLiteral("ID_NUTS4"))->setValue(55);
    data.TblSUBJ->fieldByName(QStringLiteral("CLEN_SVAZPOD"))->setValue(true);
    data.TblSUBJ->fieldByName(QStringLiteral("POCP"))->setAsString(QStringLiteral("412,5"));
    data.TblSUBJ->post();
    data.TblZOOS->append();
    data.TblZOOS->fieldByName(QStringLiteral("NAZEV"))->setValue(QStringLiteral("ZO OS KOVO Strojírny Žďár"));
    data.TblZOOS->fieldByName(QStringLiteral("ID_SVAZ"))->setValue(1);
    data.TblZOOS->fieldByName(QStringLiteral("KOD_ODVINTER1"))->setValue(QStringLiteral("01"));
    data.TblZOOS->post();
    QCOMPARE(count(c, QStringLiteral("SELECT COUNT(*) FROM SUBJ WHERE ID_SUBJ = 1 AND ID_INST_SUBJ = 99999")),
             1);
    QCOMPARE(count(c, QStringLiteral("SELECT COUNT(*) FROM ZOOS WHERE ID_ZOOS = 1 AND ID_INST_ZOOS = 99999")),
             1);

    data.TblEPKS->append();
    data.TblEPKS->fieldByName(QStringLiteral("ROK"))->setValue(2026);
    QVERIFY(data.AssignUnionOrganisation(QStringLiteral("1") + US + QStringLiteral("99999")));
    QVERIFY(data.AssignEmployer(QStringLiteral("1") + US + QStringLiteral("99999")));
    data.NewQuestionnaire();
    data.TblKS->fieldByName(QStringLiteral("DATUZ"))->setValue(QDate(2026, 1, 15));
    data.TblKS->fieldByName(QStringLiteral("ID_KS_VKS"))->setValue(1);
    data.TblKS->fieldByName(QStringLiteral("ID_INST_KS_VKS"))->setValue(1);
    data.TblKS->fieldByName(QStringLiteral("MEMO"))
        ->setValue(QStringLiteral("Poznámka: „uvozovky“ a O'Neil"));
    data.TblZAMEST->fieldByName(QStringLiteral("TO"))->setValue(true);
    data.TblZAMEST->fieldByName(QStringLiteral("RZJ"))
        ->setValue(QStringLiteral("Stejná mzda za stejnou práci."));
    data.TblMZT->fieldByName(QStringLiteral("MMTH20P"))->setAsString(QStringLiteral("212,35"));
    data.TblSF->fieldByName(QStringLiteral("UURAZP"))->setAsString(QStringLiteral("1,5"));
    data.TblODMENY->fieldByName(QStringLiteral("DF40"))->setValue(15000);
    data.TblPREKAZKY->fieldByName(QStringLiteral("X"))->setValue(QStringLiteral("stěhování"));
    QVERIFY(data.SaveQuestionnaire());

    const QString key = QStringLiteral(" WHERE ID_KS = 1 AND ID_INST_KS = 99999");
    for (const char* t :
         {"KS", "SPOLUP", "ZAMEST", "PRDOBA", "PREKAZKY", "MZN", "MZT", "PRIPLAT", "ODMENY", "SF"})
        QVERIFY2(count(c, QStringLiteral("SELECT COUNT(*) FROM ") + QLatin1String(t) + key) == 1, t);
    QCOMPARE(TDB::QueryValue(c, QStringLiteral("SELECT \"TO\" FROM ZAMEST") + key).toString(),
             QStringLiteral("Y"));
    QCOMPARE(TDB::QueryValue(c, QStringLiteral("SELECT DATUZ FROM KS") + key).toString(),
             QStringLiteral("2026-01-15"));
    QCOMPARE(TDB::QueryValue(c, QStringLiteral("SELECT MMTH20P FROM MZT") + key).toDouble(), 212.35);
    QCOMPARE(TDB::QueryValue(c, QStringLiteral("SELECT CLEN_SVAZPOD FROM SUBJ")).toString(),
             QStringLiteral("Y"));
    const qlonglong epks =
        count(c, QStringLiteral("SELECT ID_EPKS FROM EPKS WHERE ID_KS = 1 AND ID_INST_KS = 99999"));
    QVERIFY(epks > 0);
    TDB::Execute(c, QStringLiteral("UPDATE EPKS SET PLATNOST = 'Y' WHERE ID_EPKS = %1").arg(epks));

    const QString transfer = o->dir.filePath(QStringLiteral("prenos.db3"));
    {
        TExport exporter(c, transfer);
        exporter.Connect();
        exporter.CreateStructure();
        exporter.ExportInstallations();
        exporter.ExportAgreements(TExport::YearCondition(QStringLiteral("2026")));
        exporter.Disconnect();
    }
    Connection t;
    t.open(transfer, Connection::OpenMode::ReadOnly);
    QCOMPARE(count(&t, QStringLiteral("PRAGMA user_version")), 1);
    QCOMPARE(count(&t, QStringLiteral("SELECT COUNT(*) FROM EPKS")), 1);
    QCOMPARE(count(&t, QStringLiteral("SELECT COUNT(*) FROM KS")), 1); // not the delivered higher-level ones
    QCOMPARE(count(&t, QStringLiteral("SELECT COUNT(*) FROM EVKS")), 0);
    QCOMPARE(count(&t, QStringLiteral("SELECT COUNT(*) FROM INST WHERE ID_INST = 99999")), 1);
    QCOMPARE(TDB::QueryValue(&t, QStringLiteral("SELECT MEMO FROM KS")).toString(),
             QStringLiteral("Poznámka: „uvozovky“ a O'Neil"));
    QCOMPARE(TDB::QueryValue(&t, QStringLiteral("SELECT RZJ FROM ZAMEST")).toString(),
             QStringLiteral("Stejná mzda za stejnou práci."));
    QCOMPARE(TDB::QueryValue(&t, QStringLiteral("SELECT UURAZP FROM SF")).toDouble(), 1.5);
    QCOMPARE(TDB::QueryValue(&t, QStringLiteral("SELECT NAZEV FROM SUBJ")).toString(),
             QStringLiteral("Strojírny Žďár, a.s."));
}

QTEST_GUILESS_MAIN(TestDeliveredInUse)
#include "test_delivered_in_use.moc"
