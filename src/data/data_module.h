#pragma once

// The data module: the one object that owns the database connection and every dataset of the program,
// and that enforces the integrity rules (key generation, installation identity of new records, the
// record creator rule, key texts, refresh cascades).
//
// Data sources: a data source is the dataset itself. Each DsX member points to the same object as its
// TblX member (DsZOOS == TblZOOS); widgets bind to a data source and a field name and follow the
// dataset's signals. GridViewZOOS and GridViewSUBJ describe the two drop-down list views (dataset,
// columns, key field, installation column); the widgets library builds the grids from them.

#include "data/dataset.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace mero {

class Connection;
class TCheckModule;

// The read-only settings store the start-up reads (the registry on the original platform). Key paths
// are written as in the registry, for example "\SOFTWARE\Velmora\Nastel\". The shell implements it
// over the INI store; tests give their own.
class SettingsSource {
public:
    virtual ~SettingsSource() = default;
    // Whether the key can be opened for reading.
    virtual bool keyExists(const QString& keyPath) const = 0;
    // The string value of the key; none when the key or the value is missing.
    virtual std::optional<QString> value(const QString& keyPath, const QString& name) const = 0;
};

// A list view over a dataset, used as a drop-down list (union organisations, employers).
struct ListView {
    struct Column {
        QString caption;
        QString fieldName;
        bool visible = true;
    };
    Dataset* dataset = nullptr;
    QList<Column> columns;
    QString keyFieldName;          // the key text column (ID_ZOOS_INST / ID_SUBJ_INST)
    QString installationFieldName; // ID_INST_ZOOS / ID_INST_SUBJ
};

class TData : public QObject {
    Q_OBJECT
public:
    static constexpr int LocalInstallationId = 99999;

    explicit TData(QObject* parent = nullptr);
    ~TData() override;

    // The connection ("sqlite-3", the file named by the settings store).
    Connection* const DataBase;

    // Tables.
    Dataset *TblSVAZ, *TblINST, *TblSVAZPOD, *TblKATP, *TblDRVLST, *TblTYPSUBJ, *TblUZIVATEL;
    Dataset *TblODVINTER1, *TblODVINTER2, *TblREGINTER, *TblCININTER;
    Dataset *TblZOOS, *TblSUBJ, *TblKS;
    Dataset *TblSPOLUP, *TblMZN, *TblMZT, *TblPRIPLAT, *TblODMENY, *TblPRDOBA, *TblPREKAZKY, *TblZAMEST, *TblSF;
    // Read-only queries.
    Dataset *TblNUTS4, *TblOKEC, *TblNACE, *TblForma;
    // Updatable queries (written back through their insert, modify and delete statements).
    Dataset *TblEPKS, *TblEVKS;
    // Read-only detail queries of DsEPKS and DsEVKS.
    Dataset *TblSharedEPKS, *TblSharedEVKS;

    // Data sources (the datasets themselves, see above).
    Dataset *DsSVAZ, *DsINST, *DsSVAZPOD, *DsKATP, *DsDRVLST, *DsTYPSUBJ, *DsUZIVATEL;
    Dataset *DsODVINTER1, *DsODVINTER2, *DsREGINTER, *DsCININTER;
    Dataset *DsZOOS, *DsSUBJ, *DsKS;
    Dataset *DsSPOLUP, *DsMZN, *DsMZT, *DsPRIPLAT, *DsODMENY, *DsPRDOBA, *DsPREKAZKY, *DsZAMEST, *DsSF;
    Dataset *DsNUTS4, *DsOKEC, *DsNACE, *DsForma;
    Dataset *DsEPKS, *DsEVKS, *DsSharedEPKS, *DsSharedEVKS;

    // The drop-down list views of union organisations and employers.
    ListView GridViewZOOS, GridViewSUBJ;

    // Every dataset, in the order OpenAll opens them.
    const std::vector<Dataset*>& AllDatasets() const { return m_openOrder; }
    // The ten questionnaire datasets in their fixed order: KS, SPOLUP, MZN, MZT, PRIPLAT, ODMENY,
    // PRDOBA, PREKAZKY, SF, ZAMEST.
    const std::vector<Dataset*>& QuestionnaireDatasets() const { return m_questionnaire; }

    // --- Start-up -------------------------------------------------------------------------------
    // The settings store (not owned). Without one, every key counts as missing.
    void setSettingsSource(const SettingsSource* source) { m_settings = source; }
    const SettingsSource* settingsSource() const { return m_settings; }
    // The user's application-data folder without trailing separator (AppDataPath). Without a
    // provider, the per-user data folder (XDG_DATA_HOME, default ~/.local/share).
    void setAppDataPathProvider(std::function<QString()> provider) { m_appDataPath = std::move(provider); }
    // The debug log line writer (Log). Without one, nothing is written.
    void setLogger(std::function<void(const QString&)> logger) { m_log = std::move(logger); }

    QString ReadDataPath(const QString& key);
    bool ConnectDatabase(const QString& path);
    bool OpenDatabase(const QString& key);
    int InstallationId();
    bool ActivateInstallation();

    // --- Datasets -------------------------------------------------------------------------------
    // Adds the calculated and lookup fields, then loads the check catalogue. Once, before OpenAll.
    void CreateFields();
    // Opens every dataset (refreshes those already open), lookup sources first.
    void OpenAll();
    // The next identifier of a counter of AUTOINC ('ZOOS', 'SUBJ', 'KS'); DbError
    // "Nelze získat hodnotu AutoInc." on failure. Joins an enclosing transaction when one is open.
    qlonglong NextKey(const QString& counter);
    // The questionnaire dataset of a table name (exact, case-sensitive), or nullptr.
    Dataset* QuestionnaireTable(const QString& tableName) const;
    // The subject type of the employer named by a key text; 0 when none or not readable.
    int SubjectTypeOf(const QVariant& keyText);
    // Writes a picked union organisation / employer into the current TblEPKS row; true when a key
    // column changed.
    bool AssignUnionOrganisation(const QVariant& keyText);
    bool AssignEmployer(const QVariant& keyText);
    // Whether a record of the given installation column value was created by another installation
    // (NULL counts as foreign). The lists draw such rows in silver.
    bool IsForeignRecord(const QVariant& installation);
    bool IsForeignRow(const ListView& view, int row);

    // --- Agreement content ----------------------------------------------------------------------
    // Appends one empty row to each of the ten questionnaire tables.
    void NewQuestionnaire();
    // Appends to each of the ten tables a copy of the rows of the given content key.
    void CopyQuestionnaire(qlonglong ID_KS, qlonglong ID_INST_KS);
    // Appends to one table a copy of its row of the given content key; DbError
    // "Nezdařilo se hledání zdrojového záznamu" when there is none.
    void CopyTableData(Dataset* table, qlonglong ID_KS, qlonglong ID_INST_KS);
    // Positions the ten questionnaire tables on the rows of the content key; false at the first
    // table without such a row (tables before it stay moved).
    bool LocateAgreement(qlonglong ID_KS, qlonglong ID_INST_KS);
    // True when any of the ten questionnaire rows has unsaved changes (a new row counts as such).
    bool IsQuestionnaireModified() const;
    // Posts KS (a new row receives its key), then the nine other rows with the KS key, then the
    // registration row of TblEPKS with the KS key; all in one transaction. False when a guard refused
    // (its message has been shown; nothing is written and every change stays pending). Other errors
    // are raised after the transaction was rolled back.
    bool SaveQuestionnaire();
    // Cancels the pending changes of the ten questionnaire rows, then of the registration row.
    void CancelQuestionnaire();

    // Where the check catalogue is loaded (inside CreateFields).
    virtual void LoadCheckModel();
    // The check catalogue with the editing reactions and the check run (Parts of validation); nullptr
    // before CreateFields.
    TCheckModule* CheckModule() const { return m_checkModule.get(); }

Q_SIGNALS:
    void installationIdChanged(int id);

private:
    void log(const QString& text) const;
    QString appDataPath() const;
    Dataset* makeTable(const QString& table);
    Dataset* makeQuery(const QString& name, const QString& sql);
    void setUpQueries();
    void setUpEvents();
    void setUpListViews();
    void guardPost(Dataset& ds, const QString& installationField);
    void guardDelete(Dataset& ds, const QString& installationField);
    void assignKey(Dataset& ds, const QString& keyField, const QString& counter);
    void setInstallation(Dataset& ds, const QString& installationField);

    const SettingsSource* m_settings = nullptr;
    std::function<QString()> m_appDataPath;
    std::function<void(const QString&)> m_log;
    int m_installationId = 0;
    std::vector<Dataset*> m_openOrder;
    std::vector<Dataset*> m_questionnaire;
    std::unique_ptr<TCheckModule> m_checkModule;
};

} // namespace mero
