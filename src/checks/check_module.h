#pragma once

// The validation part of the data module: the loaded check catalogue, the binding reactions and
// derived values run while a questionnaire sheet is edited, and the check run with its result list.
// The data module owns one instance for the whole run (TData::CheckModule()).

#include "checks/change_tracking.h"
#include "checks/check_model.h"
#include "checks/check_results.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <functional>
#include <map>
#include <memory>

namespace mero {

class Connection;
class Dataset;
class Field;
class TData;

// The agreement under check, as it appears in every result row.
struct TCheckedAgreement {
    QString ID;          // key text of the registration (ID_EPKS, ID_INST_EPKS); empty from a sheet
    QString ID_SVAZ;
    QString SVAZ;
    QString ID_SUBJEKT1; // key text of the employer
    QString SUBJEKT1;
    QString ID_SUBJEKT2; // key text of the union organisation
    QString SUBJEKT2;
    int ROK = 0;
};

class TCheckModule : public ChangeTracker {
public:
    using Locator = std::function<bool(qlonglong ID_KS, qlonglong ID_INST_KS)>;

    // connection: where the catalogue is read; resolver: QuestionnaireTable; locator: LocateAgreement.
    TCheckModule(Connection* connection, TableResolver resolver, Locator locator);
    // Over the data module's connection, questionnaire tables and LocateAgreement.
    explicit TCheckModule(TData& data);
    ~TCheckModule() override;
    TCheckModule(const TCheckModule&) = delete;
    TCheckModule& operator=(const TCheckModule&) = delete;

    // --- Catalogue ------------------------------------------------------------------------------
    void LoadItems();
    void LoadChecks();
    TCheckCatalogue& Catalogue() { return *m_catalogue; }
    const TCheckCatalogue& Catalogue() const { return *m_catalogue; }
    TPolozkaList& Items() { return m_catalogue->Items(); }
    TKontrolaList& Checks() { return m_catalogue->Checks(); }

    // --- Editing --------------------------------------------------------------------------------
    // A sheet's editor changed a column: the binding reactions of its item.
    void ItemValueChanged(Dataset* dataset, Field* field, const QVariant& New, const QVariant& Old) override;
    // The values derived from the changed column (converted tariffs and minimum wage, fund balance,
    // non-decreasing bonus series).
    void DeriveValues(Dataset* dataset, Field* field, const QVariant& Value) override;
    // The focus left a number field: the backward rule of the bonus series.
    void ItemExited(Dataset* dataset, Field* field, const QVariant& Value) override;
    // The three non-decreasing bonus series of ODMENY, each a list of columns in order.
    static const std::array<QStringList, 3>& BonusSeries();
    // The uses of the social fund, in the order in which the fund balance subtracts them.
    static const QStringList& FundUses();

    // --- Check run ------------------------------------------------------------------------------
    bool LocateAgreement(qlonglong ID_KS, qlonglong ID_INST_KS);
    // Creates the result list on first use, otherwise empties it.
    void PrepareCheckResults();
    // Checks the agreement on which the questionnaire tables stand and appends a row per failed check;
    // returns the number of rows added. Needs PrepareCheckResults first.
    int CheckAgreement(const TCheckedAgreement& agreement, int SubjectType);
    // LocateAgreement, then, when all ten tables are positioned, CheckAgreement; 0 rows otherwise.
    int LocateAndCheckAgreement(const TCheckedAgreement& agreement, qlonglong ID_KS, qlonglong ID_INST_KS,
                                int SubjectType);
    // The check protocol in the report preview, or the information that no errors were found.
    void ShowCheckResults(bool Modal);
    void HideCheckResults();
    // The result list; nullptr before the first PrepareCheckResults.
    TCheckResults* CheckResults() { return m_results.get(); }
    const TCheckResults* CheckResults() const { return m_results.get(); }

    // The HODNOTA text of a value: "ANO"/"NE" for Booleans, empty for null, the text form otherwise.
    static QString ValueText(const Field* field);

private:
    Dataset* table(const QString& name) const { return m_resolver ? m_resolver(name) : nullptr; }
    void deriveTariff(Dataset* ds, const QString& pole, const QString& sourceField, const QString& hoursField,
                      const QString& targetField);
    void deriveFundBalance(Dataset* sf);
    int fundVariant(Dataset* sf) const;

    // What a failed check writes into its row, fixed for one questionnaire variant; texts already cut
    // to their widths.
    struct RowTemplate {
        const TKontrolaZaklad* check;
        int PORADI_TYPKONTROLY;
        QString TYP_KONTROLY;
        int PORADI_ZAVAZNOSTI;
        QString ZAVAZNOST;
        QString KODNORMALIZOVANY;
        QString KOD;
        QString TEXT;
    };
    // The checks that apply to the variant, in catalogue order, built on first use after
    // PrepareCheckResults or a catalogue load.
    const std::vector<RowTemplate>& rowTemplates(int SubjectType);

    Connection* m_connection;
    TableResolver m_resolver;
    Locator m_locator;
    std::unique_ptr<TCheckCatalogue> m_catalogue;
    std::unique_ptr<TCheckResults> m_results;
    std::map<int, std::vector<RowTemplate>> m_templates;
};

} // namespace mero
