#include "checks/check_module.h"

#include "app/core/messages.h"
#include "data/data_module.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "reports/check_protocol.h"
#include "reports/report_document.h"

namespace mero {

TCheckModule::TCheckModule(Connection* connection, TableResolver resolver, Locator locator)
    : m_connection(connection), m_resolver(std::move(resolver)), m_locator(std::move(locator)),
      m_catalogue(std::make_unique<TCheckCatalogue>(m_resolver)) {}

TCheckModule::TCheckModule(TData& data)
    : TCheckModule(
          data.DataBase, [&data](const QString& table) { return data.QuestionnaireTable(table); },
          [&data](qlonglong idKs, qlonglong idInstKs) { return data.LocateAgreement(idKs, idInstKs); }) {}

TCheckModule::~TCheckModule() = default;

void TCheckModule::LoadItems() {
    m_catalogue->LoadItems(m_connection);
}

void TCheckModule::LoadChecks() {
    m_catalogue->LoadChecks(m_connection);
}

// ---------------------------------------------------------------------------------------------------
// Editing

void TCheckModule::ItemValueChanged(Dataset* dataset, Field* field, const QVariant& New, const QVariant& Old) {
    if (!dataset || !field || !dataset->isEditing())
        return;
    TPolozka* item = m_catalogue->Items().FindByTableField(dataset->tableName(), field->name());
    if (!item)
        return;
    item->ValueChanged(Old, New);
}

// ---------------------------------------------------------------------------------------------------
// Check run

bool TCheckModule::LocateAgreement(qlonglong ID_KS, qlonglong ID_INST_KS) {
    return m_locator && m_locator(ID_KS, ID_INST_KS);
}

void TCheckModule::PrepareCheckResults() {
    if (m_results)
        m_results->Clear();
    else
        m_results = std::make_unique<TCheckResults>();
}

QString TCheckModule::ValueText(const Field* field) {
    if (!field || field->isNull())
        return QString();
    if (field->type() == FieldType::YesNo)
        return field->asBoolean() ? QStringLiteral("ANO") : QStringLiteral("NE");
    return field->displayText();
}

int TCheckModule::CheckAgreement(const TCheckedAgreement& agreement, int SubjectType) {
    if (!m_results)
        PrepareCheckResults();
    int count = 0;
    for (TKontrolaZaklad* check : m_catalogue->Checks()) {
        if (check->SubjectType && *check->SubjectType != SubjectType)
            continue;
        const TPolozka* main = check->MainItem;
        if (!main->AppliesTo(SubjectType))
            continue;
        const Field* mainField = main->field();
        if (!mainField)
            continue; // a main item whose column cannot be resolved disables its check
        if (check->IsValid())
            continue;
        TCheckResult row;
        row.ID = agreement.ID;
        row.ID_SVAZ = agreement.ID_SVAZ;
        row.SVAZ = agreement.SVAZ;
        row.ID_SUBJEKT1 = agreement.ID_SUBJEKT1;
        row.SUBJEKT1 = agreement.SUBJEKT1;
        row.ID_SUBJEKT2 = agreement.ID_SUBJEKT2;
        row.SUBJEKT2 = agreement.SUBJEKT2;
        row.ROK = agreement.ROK;
        row.PORADI_TYPKONTROLY = check->CheckType->PORADI;
        row.TYP_KONTROLY = check->CheckType->NAZEV;
        row.PORADI_ZAVAZNOSTI = check->Severity->PORADI;
        row.ZAVAZNOST = check->Severity->NAZEV;
        row.KODNORMALIZOVANY = main->NormalizedCodeFor(SubjectType);
        row.KOD = main->CodeFor(SubjectType);
        row.TEXT = check->GetText(SubjectType);
        row.HODNOTA = ValueText(mainField);
        m_results->Append(std::move(row));
        ++count;
    }
    return count;
}

int TCheckModule::LocateAndCheckAgreement(const TCheckedAgreement& agreement, qlonglong ID_KS,
                                          qlonglong ID_INST_KS, int SubjectType) {
    if (!LocateAgreement(ID_KS, ID_INST_KS))
        return 0;
    return CheckAgreement(agreement, SubjectType);
}

void TCheckModule::ShowCheckResults(bool Modal) {
    if (!m_results || m_results->IsEmpty()) {
        TMessages::Info(QStringLiteral("Během kontroly nebyly nalezeny žádné chyby."));
        return;
    }
    ShowReport(CheckProtocolDocument(*m_results), Modal);
}

void TCheckModule::HideCheckResults() {
    HideReport();
}

} // namespace mero
