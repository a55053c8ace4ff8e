#include "data/data_module.h"

#include "app/core/messages.h"
#include "checks/change_tracking.h"
#include "checks/check_module.h"
#include "data/connection.h"
#include "data/errors.h"
#include "data/key_text.h"
#include "data/sql_utils.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace mero {

namespace {

const QString kInstallationQuery = QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_INST'");
const QString kActivateError = QStringLiteral("Chyba databáze. Nelze aktivovat instalaci.");

// One calculated text: the text forms of the parts joined by the separator.
struct CalcRule {
    QString target;
    QStringList parts;
    QChar separator;
};

// OnCalcFields of a dataset from its rules; field pointers are found once.
Dataset::Event calcHandler(std::vector<CalcRule> rules) {
    struct Resolved {
        Field* target = nullptr;
        std::vector<Field*> parts;
    };
    auto resolved = std::make_shared<std::vector<Resolved>>();
    return [rules = std::move(rules), resolved](Dataset& ds) {
        if (resolved->empty()) {
            for (const CalcRule& r : rules) {
                Resolved x;
                x.target = ds.fieldByName(r.target);
                for (const QString& p : r.parts)
                    x.parts.push_back(ds.fieldByName(p));
                resolved->push_back(std::move(x));
            }
        }
        for (size_t i = 0; i < rules.size(); ++i) {
            const Resolved& x = (*resolved)[i];
            QString text;
            for (size_t k = 0; k < x.parts.size(); ++k) {
                if (k > 0)
                    text += rules[i].separator;
                text += x.parts[k]->asString();
            }
            x.target->setValue(text);
        }
    };
}

int textKind() {
    return int(FieldType::Text);
}

} // namespace

TData::TData(QObject* parent) : QObject(parent), DataBase(new Connection) {
    m_appDataPath = [] { return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation); };

    TblSVAZ = makeTable(QStringLiteral("SVAZ"));
    TblINST = makeTable(QStringLiteral("INST"));
    TblSVAZPOD = makeTable(QStringLiteral("SVAZPOD"));
    TblKATP = makeTable(QStringLiteral("KATP"));
    TblDRVLST = makeTable(QStringLiteral("DRVLST"));
    TblTYPSUBJ = makeTable(QStringLiteral("TYPSUBJ"));
    TblUZIVATEL = makeTable(QStringLiteral("UZIVATEL"));
    TblODVINTER1 = makeTable(QStringLiteral("ODVINTER1"));
    TblODVINTER2 = makeTable(QStringLiteral("ODVINTER2"));
    TblREGINTER = makeTable(QStringLiteral("REGINTER"));
    TblCININTER = makeTable(QStringLiteral("CININTER"));
    TblZOOS = makeTable(QStringLiteral("ZOOS"));
    TblSUBJ = makeTable(QStringLiteral("SUBJ"));
    TblKS = makeTable(QStringLiteral("KS"));
    TblSPOLUP = makeTable(QStringLiteral("SPOLUP"));
    TblMZN = makeTable(QStringLiteral("MZN"));
    TblMZT = makeTable(QStringLiteral("MZT"));
    TblPRIPLAT = makeTable(QStringLiteral("PRIPLAT"));
    TblODMENY = makeTable(QStringLiteral("ODMENY"));
    TblPRDOBA = makeTable(QStringLiteral("PRDOBA"));
    TblPREKAZKY = makeTable(QStringLiteral("PREKAZKY"));
    TblZAMEST = makeTable(QStringLiteral("ZAMEST"));
    TblSF = makeTable(QStringLiteral("SF"));
    setUpQueries();

    DsSVAZ = TblSVAZ;
    DsINST = TblINST;
    DsSVAZPOD = TblSVAZPOD;
    DsKATP = TblKATP;
    DsDRVLST = TblDRVLST;
    DsTYPSUBJ = TblTYPSUBJ;
    DsUZIVATEL = TblUZIVATEL;
    DsODVINTER1 = TblODVINTER1;
    DsODVINTER2 = TblODVINTER2;
    DsREGINTER = TblREGINTER;
    DsCININTER = TblCININTER;
    DsZOOS = TblZOOS;
    DsSUBJ = TblSUBJ;
    DsKS = TblKS;
    DsSPOLUP = TblSPOLUP;
    DsMZN = TblMZN;
    DsMZT = TblMZT;
    DsPRIPLAT = TblPRIPLAT;
    DsODMENY = TblODMENY;
    DsPRDOBA = TblPRDOBA;
    DsPREKAZKY = TblPREKAZKY;
    DsZAMEST = TblZAMEST;
    DsSF = TblSF;
    DsNUTS4 = TblNUTS4;
    DsOKEC = TblOKEC;
    DsNACE = TblNACE;
    DsForma = TblForma;
    DsEPKS = TblEPKS;
    DsEVKS = TblEVKS;
    DsSharedEPKS = TblSharedEPKS;
    DsSharedEVKS = TblSharedEVKS;

    m_openOrder = {TblSVAZ,   TblINST,       TblODVINTER1, TblODVINTER2, TblREGINTER, TblCININTER, TblZOOS,
                   TblKATP,   TblNUTS4,      TblDRVLST,    TblForma,     TblOKEC,     TblNACE,     TblTYPSUBJ,
                   TblSVAZPOD, TblSUBJ,      TblKS,        TblSPOLUP,    TblMZN,      TblMZT,      TblPRIPLAT,
                   TblODMENY, TblPRDOBA,     TblPREKAZKY,  TblSF,        TblZAMEST,   TblEPKS,     TblSharedEPKS,
                   TblEVKS,   TblSharedEVKS, TblUZIVATEL};
    m_questionnaire = {TblKS,     TblSPOLUP, TblMZN,      TblMZT, TblPRIPLAT,
                       TblODMENY, TblPRDOBA, TblPREKAZKY, TblSF,  TblZAMEST};

    setUpEvents();
    setUpListViews();
}

TData::~TData() {
    if (m_checkModule && ChangeTracker::current() == m_checkModule.get())
        ChangeTracker::setCurrent(nullptr);
    m_checkModule.reset();
    // Datasets are children of this object; they go before the connection they use.
    for (Dataset* ds : m_openOrder) {
        ds->blockSignals(true);
        ds->close();
    }
    qDeleteAll(findChildren<Dataset*>(QString(), Qt::FindDirectChildrenOnly));
    delete DataBase;
}

Dataset* TData::makeTable(const QString& table) {
    auto* ds = new Dataset(QStringLiteral("Tbl") + table, this);
    ds->setConnection(DataBase);
    ds->setTableName(table);
    return ds;
}

Dataset* TData::makeQuery(const QString& name, const QString& sql) {
    auto* ds = new Dataset(name, this);
    ds->setConnection(DataBase);
    ds->setSql(sql);
    return ds;
}

void TData::setUpQueries() {
    TblNUTS4 = makeQuery(QStringLiteral("TblNUTS4"),
                         QStringLiteral("SELECT NUTS3.KOD || ' ' || NUTS3.NAZEV AS NUTS3, NUTS4.ID_NUTS4, NUTS4.KOD, "
                                        "NUTS4.NAZEV FROM NUTS4 INNER JOIN NUTS3 ON NUTS3.ID_NUTS3 = NUTS4.ID_NUTS3"));
    TblNUTS4->setReadOnly(true);
    TblOKEC = makeQuery(
        QStringLiteral("TblOKEC"),
        QStringLiteral("SELECT OKEC.ID_OKEC, OKEC.KOD, OKEC.NAZEV, ODDIL.KOD || ' ' || ODDIL.NAZEV AS ODDIL, "
                       "SEKCE.KOD || ' ' || SEKCE.NAZEV AS SEKCE FROM OKEC "
                       "INNER JOIN OKEC_ODDIL ODDIL ON ODDIL.ID_OKEC_ODDIL = OKEC.ID_OKEC_ODDIL "
                       "INNER JOIN OKEC_SEKCE SEKCE ON SEKCE.ID_OKEC_SEKCE = ODDIL.ID_OKEC_SEKCE"));
    TblOKEC->setReadOnly(true);
    TblNACE = makeQuery(
        QStringLiteral("TblNACE"),
        QStringLiteral("SELECT NACE.ID_NACE, NACE.KOD, NACE.NAZEV, ODDIL.KOD || ' ' || ODDIL.NAZEV AS ODDIL, "
                       "SEKCE.KOD || ' ' || SEKCE.NAZEV AS SEKCE FROM NACE "
                       "INNER JOIN NACE_ODDIL ODDIL ON ODDIL.ID_NACE_ODDIL = NACE.ID_NACE_ODDIL "
                       "INNER JOIN NACE_SEKCE SEKCE ON SEKCE.ID_NACE_SEKCE = ODDIL.ID_NACE_SEKCE"));
    TblNACE->setReadOnly(true);
    TblForma = makeQuery(QStringLiteral("TblForma"), QStringLiteral("SELECT ID_FORMA, KOD, NAZEV FROM FORMA ORDER BY KOD"));
    TblForma->setReadOnly(true);

    TblEPKS = makeQuery(
        QStringLiteral("TblEPKS"),
        QStringLiteral("SELECT EPKS.*, ZOOS.KOD AS ZOOS_KOD, ZOOS.ICO AS ZOOS_ICO, ZOOS.NAZEV AS ZOOS, "
                       "SUBJ.ICO AS SUBJ_ICO, SUBJ.NAZEV AS SUBJ, ZOOS.ID_SVAZ, KS.ID_KS_VKS, KS.ID_INST_KS_VKS, "
                       "KS.MEMO FROM EPKS "
                       "INNER JOIN ZOOS ON ZOOS.ID_ZOOS = EPKS.ID_ZOOS AND ZOOS.ID_INST_ZOOS = EPKS.ID_INST_ZOOS "
                       "INNER JOIN SUBJ ON SUBJ.ID_SUBJ = EPKS.ID_SUBJ AND SUBJ.ID_INST_SUBJ = EPKS.ID_INST_SUBJ "
                       "INNER JOIN KS ON KS.ID_KS = EPKS.ID_KS AND KS.ID_INST_KS = EPKS.ID_INST_KS "
                       "WHERE EPKS.ID_TYPSUBJ IS NOT NULL AND EPKS.ID_KS IS NOT NULL AND EPKS.ID_INST_KS IS NOT NULL"));
    TblEPKS->setInsertSql(QStringLiteral(
        "INSERT INTO EPKS (ID_INST_EPKS, ID_KS, ID_INST_KS, ID_ZOOS, ID_INST_ZOOS, ID_SUBJ, ID_INST_SUBJ, ID_TYPSUBJ, "
        "ROK) VALUES (:ID_INST_EPKS, :ID_KS, :ID_INST_KS, :ID_ZOOS, :ID_INST_ZOOS, :ID_SUBJ, :ID_INST_SUBJ, "
        ":ID_TYPSUBJ, :ROK)"));
    TblEPKS->setModifySql(QStringLiteral(
        "UPDATE EPKS SET ID_KS = :ID_KS, ID_INST_KS = :ID_INST_KS, ID_ZOOS = :ID_ZOOS, ID_INST_ZOOS = :ID_INST_ZOOS, "
        "ID_SUBJ = :ID_SUBJ, ID_INST_SUBJ = :ID_INST_SUBJ, PLATNOST = :PLATNOST "
        "WHERE ID_EPKS = :OLD_ID_EPKS AND ID_INST_EPKS = :OLD_ID_INST_EPKS"));
    TblEPKS->setDeleteSql(
        QStringLiteral("DELETE FROM EPKS WHERE ID_EPKS = :OLD_ID_EPKS AND ID_INST_EPKS = :OLD_ID_INST_EPKS"));
    TblEPKS->setKeyFields(QStringLiteral("ID_EPKS;ID_INST_EPKS"));
    TblEPKS->setInsertRowIdField(QStringLiteral("ID_EPKS"));

    TblEVKS = makeQuery(
        QStringLiteral("TblEVKS"),
        QStringLiteral("SELECT EVKS.*, SVAZ.NAZEV AS SVAZ, ODVINTER1.NAZEV AS ODVINTER1, SVAZPOD.NAZEV AS SVAZPOD, "
                       "IFNULL(SVAZ.NAZEV, '') || CASE WHEN ODVINTER1.NAZEV IS NOT NULL "
                       "THEN ' (' || ODVINTER1.NAZEV || ')' ELSE '' END || ' - ' || IFNULL(SVAZPOD.NAZEV, '') AS POPIS "
                       "FROM EVKS "
                       "INNER JOIN SVAZ ON SVAZ.ID_SVAZ = EVKS.ID_SVAZ "
                       "INNER JOIN SVAZPOD ON SVAZPOD.ID_SVAZPOD = EVKS.ID_SVAZPOD "
                       "LEFT JOIN ODVINTER1 ON ODVINTER1.KOD_ODVINTER1 = EVKS.KOD_ODVINTER1 "
                       "AND ODVINTER1.ID_SVAZ = EVKS.ID_SVAZ "
                       "WHERE EVKS.ID_TYPSUBJ IS NOT NULL"));
    TblEVKS->setInsertSql(QStringLiteral(
        "INSERT INTO EVKS (ID_INST_EVKS, ID_KS, ID_INST_KS, ID_SVAZ, KOD_ODVINTER1, ID_SVAZPOD, ID_TYPSUBJ, ROK) "
        "VALUES (:ID_INST_EVKS, :ID_KS, :ID_INST_KS, :ID_SVAZ, :KOD_ODVINTER1, :ID_SVAZPOD, :ID_TYPSUBJ, :ROK)"));
    TblEVKS->setModifySql(QStringLiteral(
        "UPDATE EVKS SET ID_KS = :ID_KS, ID_INST_KS = :ID_INST_KS, ID_SVAZ = :ID_SVAZ, KOD_ODVINTER1 = :KOD_ODVINTER1, "
        "ID_SVAZPOD = :ID_SVAZPOD, PLATNOST = :PLATNOST "
        "WHERE ID_EVKS = :OLD_ID_EVKS AND ID_INST_EVKS = :OLD_ID_INST_EVKS"));
    TblEVKS->setDeleteSql(
        QStringLiteral("DELETE FROM EVKS WHERE ID_EVKS = :OLD_ID_EVKS AND ID_INST_EVKS = :OLD_ID_INST_EVKS"));
    TblEVKS->setKeyFields(QStringLiteral("ID_EVKS;ID_INST_EVKS"));
    TblEVKS->setInsertRowIdField(QStringLiteral("ID_EVKS"));

    TblSharedEPKS = makeQuery(
        QStringLiteral("TblSharedEPKS"),
        QStringLiteral("SELECT E.ID_EPKS, E.ID_INST_EPKS, E.ID_KS, E.ID_INST_KS, ZOOS.KOD AS ZOOS_KOD, "
                       "ZOOS.ICO AS ZOOS_ICO, ZOOS.NAZEV AS ZOOS, SUBJ.ICO AS SUBJ_ICO, SUBJ.NAZEV AS SUBJ, E.ROK, "
                       "E.PLATNOST FROM EPKS E "
                       "LEFT JOIN ZOOS ON ZOOS.ID_ZOOS = E.ID_ZOOS AND ZOOS.ID_INST_ZOOS = E.ID_INST_ZOOS "
                       "LEFT JOIN SUBJ ON SUBJ.ID_SUBJ = E.ID_SUBJ AND SUBJ.ID_INST_SUBJ = E.ID_INST_SUBJ"));
    TblSharedEPKS->setReadOnly(true);
    TblSharedEPKS->setKeyFields(QStringLiteral("ID_EPKS;ID_INST_EPKS"));
    TDB::LinkDetail(TblSharedEPKS, TblEPKS, QStringLiteral("ID_KS;ID_INST_KS"), QStringLiteral("ID_KS;ID_INST_KS"));

    TblSharedEVKS = makeQuery(
        QStringLiteral("TblSharedEVKS"),
        QStringLiteral("SELECT E.ID_EVKS, E.ID_INST_EVKS, E.ID_KS, E.ID_INST_KS, SVAZ.NAZEV AS SVAZ, "
                       "ODVINTER1.KOD_ODVINTER1 || ' ' || ODVINTER1.NAZEV AS ODVINTER1, SVAZPOD.NAZEV AS SVAZPOD, "
                       "E.ROK, E.PLATNOST FROM EVKS E "
                       "LEFT JOIN SVAZ ON SVAZ.ID_SVAZ = E.ID_SVAZ "
                       "LEFT JOIN ODVINTER1 ON ODVINTER1.KOD_ODVINTER1 = E.KOD_ODVINTER1 "
                       "AND ODVINTER1.ID_SVAZ = E.ID_SVAZ "
                       "LEFT JOIN SVAZPOD ON SVAZPOD.ID_SVAZPOD = E.ID_SVAZPOD"));
    TblSharedEVKS->setReadOnly(true);
    TblSharedEVKS->setKeyFields(QStringLiteral("ID_EVKS;ID_INST_EVKS"));
    TDB::LinkDetail(TblSharedEVKS, TblEVKS, QStringLiteral("ID_KS;ID_INST_KS"), QStringLiteral("ID_KS;ID_INST_KS"));
}

void TData::setUpListViews() {
    GridViewZOOS.dataset = TblZOOS;
    GridViewZOOS.columns = {{QStringLiteral("Odborový svaz"), QStringLiteral("SVAZ"), true},
                            {QStringLiteral("Název"), QStringLiteral("NAZEV"), true},
                            {QStringLiteral("ID_INST_ZOOS"), QStringLiteral("ID_INST_ZOOS"), false}};
    GridViewZOOS.keyFieldName = QStringLiteral("ID_ZOOS_INST");
    GridViewZOOS.installationFieldName = QStringLiteral("ID_INST_ZOOS");

    GridViewSUBJ.dataset = TblSUBJ;
    GridViewSUBJ.columns = {{QStringLiteral("Odborový svaz"), QStringLiteral("SVAZ"), true},
                            {QStringLiteral("Název"), QStringLiteral("NAZEV"), true},
                            {QStringLiteral("ID_INST_SUBJ"), QStringLiteral("ID_INST_SUBJ"), false}};
    GridViewSUBJ.keyFieldName = QStringLiteral("ID_SUBJ_INST");
    GridViewSUBJ.installationFieldName = QStringLiteral("ID_INST_SUBJ");
}

// ------------------------------------------------------------------------------------------------
// Events

void TData::setInstallation(Dataset& ds, const QString& installationField) {
    ds.fieldByName(installationField)->setValue(qlonglong(InstallationId()));
}

void TData::guardPost(Dataset& ds, const QString& installationField) {
    if (IsForeignRecord(ds.fieldByName(installationField)->value())) {
        TMessages::Error(QStringLiteral("Záznam může upravovat pouze jeho zakladatel."));
        throw SilentAbort();
    }
}

void TData::guardDelete(Dataset& ds, const QString& installationField) {
    if (IsForeignRecord(ds.fieldByName(installationField)->value())) {
        TMessages::Error(QStringLiteral("Záznam může smazat pouze jeho zakladatel."));
        throw SilentAbort();
    }
}

void TData::assignKey(Dataset& ds, const QString& keyField, const QString& counter) {
    Field* key = ds.fieldByName(keyField);
    if (key->isNull())
        key->setValue(NextKey(counter));
}

void TData::setUpEvents() {
    struct Registration {
        Dataset* ds;
        QString key;
        QString installation;
        QString counter; // empty: the database assigns the key
    };
    const Registration registrations[] = {
        {TblZOOS, QStringLiteral("ID_ZOOS"), QStringLiteral("ID_INST_ZOOS"), QStringLiteral("ZOOS")},
        {TblSUBJ, QStringLiteral("ID_SUBJ"), QStringLiteral("ID_INST_SUBJ"), QStringLiteral("SUBJ")},
        {TblKS, QStringLiteral("ID_KS"), QStringLiteral("ID_INST_KS"), QStringLiteral("KS")},
        {TblEPKS, QStringLiteral("ID_EPKS"), QStringLiteral("ID_INST_EPKS"), QString()},
        {TblEVKS, QStringLiteral("ID_EVKS"), QStringLiteral("ID_INST_EVKS"), QString()},
    };
    for (const Registration& r : registrations) {
        const QString inst = r.installation;
        r.ds->AfterInsert = [this, inst](Dataset& ds) { setInstallation(ds, inst); };
        r.ds->BeforeDelete = [this, inst](Dataset& ds) { guardDelete(ds, inst); };
        if (!r.counter.isEmpty()) {
            const QString key = r.key;
            const QString counter = r.counter;
            r.ds->BeforePost = [this, inst, key, counter](Dataset& ds) {
                guardPost(ds, inst);
                assignKey(ds, key, counter);
            };
        }
    }

    TblKS->AfterRefresh = [this](Dataset&) {
        for (Dataset* ds : {TblSPOLUP, TblMZN, TblMZT, TblPRIPLAT, TblODMENY, TblPRDOBA, TblPREKAZKY, TblSF, TblZAMEST})
            ds->refresh();
    };
    TblEPKS->AfterPost = [this](Dataset&) {
        TblEPKS->refresh();
        TblSharedEPKS->refresh();
    };
    TblEVKS->AfterPost = [this](Dataset&) {
        TblEVKS->refresh();
        TblSharedEVKS->refresh();
    };

    const QChar sep = KeyText::Separator;
    const QChar space = QLatin1Char(' ');
    const QString svaz = QStringLiteral("ID_SVAZ");
    TblODVINTER1->OnCalcFields = calcHandler({{QStringLiteral("ID_ODVINTER1"), {svaz, QStringLiteral("KOD_ODVINTER1")}, sep},
                                              {QStringLiteral("KODNAZEV"), {QStringLiteral("KOD_ODVINTER1"), QStringLiteral("NAZEV")}, space}});
    TblODVINTER2->OnCalcFields = calcHandler(
        {{QStringLiteral("ID_ODVINTER2"), {svaz, QStringLiteral("KOD_ODVINTER1"), QStringLiteral("KOD_ODVINTER2")}, sep},
         {QStringLiteral("KODNAZEV"), {QStringLiteral("KOD_ODVINTER2"), QStringLiteral("NAZEV")}, space}});
    TblREGINTER->OnCalcFields = calcHandler({{QStringLiteral("ID_REGINTER"), {svaz, QStringLiteral("KOD_REGINTER")}, sep},
                                             {QStringLiteral("KODNAZEV"), {QStringLiteral("KOD_REGINTER"), QStringLiteral("NAZEV")}, space}});
    TblCININTER->OnCalcFields = calcHandler({{QStringLiteral("ID_CININTER"), {svaz, QStringLiteral("KOD_CININTER")}, sep},
                                             {QStringLiteral("KODNAZEV"), {QStringLiteral("KOD_CININTER"), QStringLiteral("NAZEV")}, space}});
    TblZOOS->OnCalcFields = calcHandler(
        {{QStringLiteral("ID_ZOOS_INST"), {QStringLiteral("ID_ZOOS"), QStringLiteral("ID_INST_ZOOS")}, sep},
         {QStringLiteral("ID_ODVINTER1"), {svaz, QStringLiteral("KOD_ODVINTER1")}, sep},
         {QStringLiteral("ID_ODVINTER2"), {svaz, QStringLiteral("KOD_ODVINTER1"), QStringLiteral("KOD_ODVINTER2")}, sep},
         {QStringLiteral("ID_REGINTER"), {svaz, QStringLiteral("KOD_REGINTER")}, sep},
         {QStringLiteral("ID_CININTER"), {svaz, QStringLiteral("KOD_CININTER")}, sep}});
    for (Dataset* ds : {TblKATP, TblNUTS4, TblDRVLST, TblForma, TblOKEC, TblNACE, TblTYPSUBJ})
        ds->OnCalcFields = calcHandler({{QStringLiteral("KODNAZEV"), {QStringLiteral("KOD"), QStringLiteral("NAZEV")}, space}});
    TblSUBJ->OnCalcFields =
        calcHandler({{QStringLiteral("ID_SUBJ_INST"), {QStringLiteral("ID_SUBJ"), QStringLiteral("ID_INST_SUBJ")}, sep}});
    TblKS->OnCalcFields = calcHandler(
        {{QStringLiteral("ID_KS_VKS_INST"), {QStringLiteral("ID_KS_VKS"), QStringLiteral("ID_INST_KS_VKS")}, sep}});
    TblEVKS->OnCalcFields =
        calcHandler({{QStringLiteral("ID_KS_INST"), {QStringLiteral("ID_KS"), QStringLiteral("ID_INST_KS")}, sep}});
    TblSF->OnCalcFields = [](Dataset& ds) {
        ds.fieldByName(QStringLiteral("CT"))
            ->setValue(ds.fieldByName(QStringLiteral("CT1"))->asFloat() + ds.fieldByName(QStringLiteral("CT2"))->asFloat());
    };
}

// ------------------------------------------------------------------------------------------------
// Start-up

void TData::log(const QString& text) const {
    if (m_log)
        m_log(text);
}

QString TData::appDataPath() const {
    return m_appDataPath ? m_appDataPath() : QString();
}

QString TData::ReadDataPath(const QString& key) {
    if (!m_settings || !m_settings->keyExists(key)) {
        TMessages::Error(QStringLiteral("Nekorektní instalace.\r\nNebyla nalezena cesta k datovému souboru."));
        return QString();
    }
    QString path = m_settings->value(key, QStringLiteral("DataPath")).value_or(QString());
    const QString token = QStringLiteral("%APPDATA%");
    const qsizetype at = path.indexOf(token, 0, Qt::CaseSensitive);
    if (at >= 0)
        path.replace(at, token.size(), appDataPath());
    return path;
}

bool TData::ConnectDatabase(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        TMessages::Error(QStringLiteral("Datový soubor nebyl nalezen.\r\n[Cesta: \"") + path + QStringLiteral("\"]"));
        return false;
    }
    try {
        DataBase->open(path, Connection::OpenMode::ReadWrite);
    } catch (const MeroError& e) {
        TMessages::Error(QStringLiteral("Databázi nelze otevřít.\r\n[Cesta: \"%1\"]\r\n[%2]")
                             .arg(QDir::toNativeSeparators(path), e.message()));
        return false;
    }
    m_installationId = 0;
    return true;
}

bool TData::OpenDatabase(const QString& key) {
    const QString path = ReadDataPath(key);
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        TMessages::Error(QStringLiteral("Nenalezena databáze: ") + path);
        return false;
    }
    return ConnectDatabase(path);
}

int TData::InstallationId() {
    if (m_installationId != 0)
        return m_installationId;
    const QVariant v = TDB::QueryValue(DataBase, kInstallationQuery);
    int id = 0;
    if (v.isValid() && !v.isNull()) {
        bool ok = false;
        const qlonglong n = v.toLongLong(&ok);
        if (ok && n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max())
            id = int(n);
    }
    m_installationId = id;
    return id;
}

bool TData::ActivateInstallation() {
    try {
        TDB::StartTransaction(DataBase, IsolationLevel::ReadCommitted);
        bool ok = TDB::Execute(DataBase, QStringLiteral("INSERT OR REPLACE INTO INST (ID_INST) VALUES (99999)"));
        if (ok)
            ok = TDB::Execute(DataBase,
                              QStringLiteral("INSERT OR REPLACE INTO AUTOINC (TABULKA, HODNOTA) VALUES ('ID_INST', 99999)"));
        TDB::Commit(DataBase);
        if (ok) {
            m_installationId = LocalInstallationId;
            Q_EMIT installationIdChanged(m_installationId);
            return true;
        }
        TMessages::Error(kActivateError);
        return false;
    } catch (const std::exception&) {
        try {
            TDB::Rollback(DataBase);
        } catch (const std::exception&) {
        }
        TMessages::Error(kActivateError);
        return false;
    }
}

// ------------------------------------------------------------------------------------------------
// Datasets

void TData::CreateFields() {
    const int text = textKind();
    auto calc = [text](Dataset* ds, const char* name, int width) {
        TDB::AddCalcField(ds, QString::fromLatin1(name), width, text);
    };
    auto svazLookup = [text, this](Dataset* ds) {
        TDB::AddLookupField(ds, QStringLiteral("SVAZ"), QStringLiteral("NAZEV"), QStringLiteral("ID_SVAZ"),
                            QStringLiteral("ID_SVAZ"), TblSVAZ, 100, text);
    };

    calc(TblODVINTER1, "ID_ODVINTER1", 31);
    calc(TblODVINTER1, "KODNAZEV", 40);
    svazLookup(TblODVINTER1);
    calc(TblODVINTER2, "ID_ODVINTER2", 42);
    calc(TblODVINTER2, "KODNAZEV", 40);
    TDB::AddLookupField(TblODVINTER2, QStringLiteral("ODVINTER1"), QStringLiteral("KODNAZEV"),
                        QStringLiteral("ID_SVAZ;KOD_ODVINTER1"), QStringLiteral("ID_SVAZ;KOD_ODVINTER1"), TblODVINTER1,
                        40, text);
    svazLookup(TblODVINTER2);
    calc(TblREGINTER, "ID_REGINTER", 31);
    calc(TblREGINTER, "KODNAZEV", 40);
    svazLookup(TblREGINTER);
    calc(TblCININTER, "ID_CININTER", 31);
    calc(TblCININTER, "KODNAZEV", 40);
    svazLookup(TblCININTER);
    calc(TblZOOS, "ID_ZOOS_INST", 41);
    calc(TblZOOS, "ID_ODVINTER1", 31);
    calc(TblZOOS, "ID_ODVINTER2", 42);
    calc(TblZOOS, "ID_REGINTER", 31);
    calc(TblZOOS, "ID_CININTER", 31);
    svazLookup(TblZOOS);
    for (Dataset* ds : {TblKATP, TblNUTS4, TblDRVLST, TblForma, TblOKEC})
        calc(ds, "KODNAZEV", 110);
    calc(TblNACE, "KODNAZEV", 510);
    calc(TblTYPSUBJ, "KODNAZEV", 110);
    calc(TblSUBJ, "ID_SUBJ_INST", 41);
    svazLookup(TblSUBJ);
    calc(TblKS, "ID_KS_VKS_INST", 41);
    TDB::AddCalcField(TblSF, QStringLiteral("CT"), 0, int(FieldType::Decimal));
    calc(TblEVKS, "ID_KS_INST", 41);

    LoadCheckModel();
}

void TData::LoadCheckModel() {
    // A catalogue table that cannot be read raises its error here; the start-up shows it and ends.
    if (!m_checkModule)
        m_checkModule = std::make_unique<TCheckModule>(*this);
    m_checkModule->LoadItems();
    m_checkModule->LoadChecks();
    // The sheets' change tracking reports edits to the check model.
    ChangeTracker::setCurrent(m_checkModule.get());
}

void TData::OpenAll() {
    for (Dataset* ds : m_openOrder) {
        if (ds->isActive())
            ds->refresh();
        else
            ds->open();
    }
}

qlonglong TData::NextKey(const QString& counter) {
    const QString q = TDB::QuotedString(counter);
    // Normally a short transaction of its own; inside an enclosing transaction (a save of several
    // rows) the key is part of that transaction and goes back with it.
    const bool own = !DataBase->inTransaction();
    try {
        if (own)
            TDB::StartTransaction(DataBase, IsolationLevel::ReadCommitted);
        TDB::Execute(DataBase, QStringLiteral("UPDATE AUTOINC SET HODNOTA = IFNULL((SELECT IFNULL(HODNOTA, 0) FROM "
                                              "AUTOINC WHERE TABULKA = ") +
                                   q + QStringLiteral("), 0) + 1 WHERE TABULKA = ") + q);
        const QVariant v = TDB::QueryValue(DataBase, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = ") + q);
        bool ok = v.isValid() && !v.isNull();
        const qlonglong key = ok ? v.toLongLong(&ok) : 0;
        if (!ok)
            throw DbError(QStringLiteral("Nelze získat hodnotu AutoInc."));
        if (own)
            TDB::Commit(DataBase);
        return key;
    } catch (const std::exception&) {
        if (own) {
            try {
                TDB::Rollback(DataBase);
            } catch (const std::exception&) {
            }
        }
        throw DbError(QStringLiteral("Nelze získat hodnotu AutoInc."));
    }
}

Dataset* TData::QuestionnaireTable(const QString& tableName) const {
    static const char* names[] = {"KS",     "EPKS",   "EVKS",   "SPOLUP",   "MZN", "MZT",
                                  "PRIPLAT", "ODMENY", "PRDOBA", "PREKAZKY", "SF",  "ZAMEST"};
    Dataset* const datasets[] = {TblKS,      TblEPKS,   TblEVKS,   TblSPOLUP,   TblMZN, TblMZT,
                                 TblPRIPLAT, TblODMENY, TblPRDOBA, TblPREKAZKY, TblSF,  TblZAMEST};
    for (size_t i = 0; i < std::size(names); ++i)
        if (tableName == QLatin1String(names[i]))
            return datasets[i];
    return nullptr;
}

int TData::SubjectTypeOf(const QVariant& keyText) {
    if (!keyText.isValid() || keyText.isNull())
        return 0;
    const auto key = KeyText::ParsePair(keyText.toString());
    if (!key || !DataBase->isOpen())
        return 0;
    try {
        Statement stmt = DataBase->prepare(QStringLiteral("SELECT ID_TYPSUBJ FROM SUBJ WHERE ID_SUBJ=? AND ID_INST_SUBJ=?"));
        stmt.bind(1, key->id);
        stmt.bind(2, key->installation);
        if (!stmt.step() || stmt.isNull(0))
            return 0;
        bool ok = false;
        const qlonglong v = stmt.value(0).toLongLong(&ok);
        return ok ? int(v) : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

namespace {

// Writes a picked key into the two columns of the current TblEPKS row; true when either changed.
bool assignPair(Dataset* epks, const QVariant& keyText, const QString& idField, const QString& instField,
                KeyText::Pair* pair) {
    if (!keyText.isValid() || keyText.isNull())
        return false;
    const auto key = KeyText::ParsePair(keyText.toString());
    if (!key)
        return false;
    *pair = *key;
    if (!epks->isEditing())
        epks->edit();
    bool changed = false;
    Field* id = epks->fieldByName(idField);
    Field* inst = epks->fieldByName(instField);
    if (id->asString() != QString::number(key->id)) {
        id->setValue(key->id);
        changed = true;
    }
    if (inst->asString() != QString::number(key->installation)) {
        inst->setValue(key->installation);
        changed = true;
    }
    return changed;
}

} // namespace

bool TData::AssignUnionOrganisation(const QVariant& keyText) {
    KeyText::Pair pair;
    return assignPair(TblEPKS, keyText, QStringLiteral("ID_ZOOS"), QStringLiteral("ID_INST_ZOOS"), &pair);
}

bool TData::AssignEmployer(const QVariant& keyText) {
    KeyText::Pair pair;
    const bool changed = assignPair(TblEPKS, keyText, QStringLiteral("ID_SUBJ"), QStringLiteral("ID_INST_SUBJ"), &pair);
    if (!TblEPKS->isEditing())
        return changed;
    Field* type = TblEPKS->fieldByName(QStringLiteral("ID_TYPSUBJ"));
    if (type->isNull() && keyText.isValid() && !keyText.isNull() && KeyText::ParsePair(keyText.toString()))
        type->setValue(TblSUBJ->lookup(QStringLiteral("ID_SUBJ;ID_INST_SUBJ"), {pair.id, pair.installation},
                                       QStringLiteral("ID_TYPSUBJ")));
    return changed;
}

bool TData::IsForeignRecord(const QVariant& installation) {
    if (!installation.isValid() || installation.isNull())
        return true;
    bool ok = false;
    qlonglong v = 0;
    if (installation.typeId() == QMetaType::QString) {
        const auto parsed = KeyText::ParseInteger(installation.toString());
        ok = parsed.has_value();
        v = parsed.value_or(0);
    } else {
        v = installation.toLongLong(&ok);
    }
    return !ok || v != InstallationId();
}

bool TData::IsForeignRow(const ListView& view, int row) {
    if (!view.dataset)
        return false;
    const Field* f = view.dataset->findField(view.installationFieldName);
    if (!f)
        return false;
    return IsForeignRecord(view.dataset->valueAt(row, f->index()));
}

// ------------------------------------------------------------------------------------------------
// Agreement content

void TData::NewQuestionnaire() {
    TblKS->append();
    const QVariant inst = TblKS->fieldByName(QStringLiteral("ID_INST_KS"))->value();
    for (size_t i = 1; i < m_questionnaire.size(); ++i) {
        Dataset* ds = m_questionnaire[i];
        ds->append();
        ds->fieldByName(QStringLiteral("ID_INST_KS"))->setValue(inst);
    }
}

void TData::CopyQuestionnaire(qlonglong ID_KS, qlonglong ID_INST_KS) {
    for (Dataset* ds : m_questionnaire)
        CopyTableData(ds, ID_KS, ID_INST_KS);
}

void TData::CopyTableData(Dataset* table, qlonglong ID_KS, qlonglong ID_INST_KS) {
    log(QStringLiteral("CopyTableData ") + table->name());
    log(QStringLiteral("ID_KS ") + QString::number(ID_KS));
    log(QStringLiteral("zjisteni vsech poli v datasetu"));
    QStringList names;
    for (int i = 0; i < table->fieldCount(); ++i)
        names << table->field(i)->name();
    const QString fieldList = names.join(QLatin1Char(','));
    Q_UNUSED(fieldList);
    log(QStringLiteral("zjisteni vsech hodnot urceneho zaznamu"));
    const int row = table->indexOf(QStringLiteral("ID_KS;ID_INST_KS"), {ID_KS, ID_INST_KS});
    QVariantList values;
    if (row >= 0)
        for (int i = 0; i < table->fieldCount(); ++i)
            values << table->valueAt(row, i);
    if (row < 0 || values.size() != names.size())
        throw DbError(QStringLiteral("Nezdařilo se hledání zdrojového záznamu"));
    log(QStringLiteral("DataSet.Append"));
    table->append();
    log(QStringLiteral("prekopirovani hodnot"));
    for (int i = 0; i < table->fieldCount(); ++i) {
        Field* f = table->field(i);
        if (f->kind() != FieldKind::Data || f->isReadOnly())
            continue;
        if (f->name() == QLatin1String("ID_KS") || f->name() == QLatin1String("ID_INST_KS"))
            continue;
        f->setValue(values.at(i));
    }
    log(QStringLiteral("ukonceno kopirovani"));
}

bool TData::LocateAgreement(qlonglong ID_KS, qlonglong ID_INST_KS) {
    const QVariantList key{ID_KS, ID_INST_KS};
    for (Dataset* ds : m_questionnaire)
        if (!ds->locate(QStringLiteral("ID_KS;ID_INST_KS"), key))
            return false;
    return true;
}

bool TData::IsQuestionnaireModified() const {
    for (Dataset* ds : m_questionnaire)
        if (ds->isModified() || ds->state() == DatasetState::Insert)
            return true;
    return false;
}

bool TData::SaveQuestionnaire() {
    if (!DataBase->isOpen())
        throw DbError(QStringLiteral("Databáze není připojena."));
    bool wrote = false;
    TDB::StartTransaction(DataBase, IsolationLevel::ReadCommitted);
    try {
        if (TblKS->isEditing()) {
            TblKS->post();
            wrote = true;
        }
        const QVariant id = TblKS->fieldByName(QStringLiteral("ID_KS"))->value();
        const QVariant inst = TblKS->fieldByName(QStringLiteral("ID_INST_KS"))->value();
        for (size_t i = 1; i < m_questionnaire.size(); ++i) {
            Dataset* ds = m_questionnaire[i];
            ds->edit();
            ds->fieldByName(QStringLiteral("ID_KS"))->setValue(id);
            ds->fieldByName(QStringLiteral("ID_INST_KS"))->setValue(inst);
            ds->post();
            wrote = true;
        }
        if (TblEPKS->isActive() && (TblEPKS->isEditing() || !TblEPKS->isEmpty())) {
            TblEPKS->edit();
            TblEPKS->fieldByName(QStringLiteral("ID_KS"))->setValue(id);
            TblEPKS->fieldByName(QStringLiteral("ID_INST_KS"))->setValue(inst);
            TblEPKS->post();
        }
        TDB::Commit(DataBase);
        return true;
    } catch (...) {
        try {
            TDB::Rollback(DataBase);
        } catch (const std::exception&) {
        }
        if (wrote) {
            // Rows already taken over in memory were rolled back in the file. Drop the pending rows
            // (a later save must not attach them to another agreement's key) and read the truth again.
            for (Dataset* ds : m_questionnaire)
                ds->cancel();
            TblEPKS->cancel();
            try {
                TblKS->refresh();
                TblEPKS->refresh();
                TblSharedEPKS->refresh();
            } catch (const std::exception&) {
            }
        }
        try {
            throw;
        } catch (const SilentAbort&) {
            if (!wrote)
                return false;
            throw;
        }
    }
}

void TData::CancelQuestionnaire() {
    for (Dataset* ds : m_questionnaire)
        ds->cancel();
    if (TblEPKS->isEditing())
        TblEPKS->cancel();
}

} // namespace mero
