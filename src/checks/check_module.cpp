#include "checks/check_module.h"

#include "app/core/messages.h"
#include "data/data_module.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "reports/check_protocol.h"
#include "reports/report_document.h"

#include <algorithm>

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
    m_templates.clear();
}

void TCheckModule::LoadChecks() {
    m_catalogue->LoadChecks(m_connection);
    m_templates.clear();
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
    m_templates.clear();
}

const std::vector<TCheckModule::RowTemplate>& TCheckModule::rowTemplates(int SubjectType) {
    const auto found = m_templates.find(SubjectType);
    if (found != m_templates.end())
        return found->second;
    std::vector<RowTemplate>& out = m_templates[SubjectType];
    const auto cut = [](QString text, const char* field) {
        const int width = TCheckResults::FieldWidth(QLatin1String(field));
        if (text.size() > width)
            text.truncate(width);
        return text;
    };
    for (const TKontrolaZaklad* check : m_catalogue->Checks()) {
        if (check->SubjectType && *check->SubjectType != SubjectType)
            continue;
        const TPolozka* main = check->MainItem;
        if (!main->AppliesTo(SubjectType))
            continue;
        out.push_back({check, check->CheckType->PORADI, cut(check->CheckType->NAZEV, "TYP_KONTROLY"),
                       check->Severity->PORADI, cut(check->Severity->NAZEV, "ZAVAZNOST"),
                       cut(main->NormalizedCodeFor(SubjectType), "KODNORMALIZOVANY"),
                       cut(main->CodeFor(SubjectType), "KOD"), cut(check->GetText(SubjectType), "TEXT")});
    }
    // In the result list's order within an agreement, so that the rows of one agreement arrive sorted;
    // checks equal in both keep the catalogue order.
    std::stable_sort(out.begin(), out.end(), [](const RowTemplate& a, const RowTemplate& b) {
        if (a.PORADI_ZAVAZNOSTI != b.PORADI_ZAVAZNOSTI)
            return a.PORADI_ZAVAZNOSTI < b.PORADI_ZAVAZNOSTI;
        return a.KODNORMALIZOVANY.compare(b.KODNORMALIZOVANY) < 0;
    });
    return out;
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
    // The agreement's texts are cut once and shared by its rows.
    TCheckResult header;
    header.ID = agreement.ID;
    header.ID_SVAZ = agreement.ID_SVAZ;
    header.SVAZ = agreement.SVAZ;
    header.ID_SUBJEKT1 = agreement.ID_SUBJEKT1;
    header.SUBJEKT1 = agreement.SUBJEKT1;
    header.ID_SUBJEKT2 = agreement.ID_SUBJEKT2;
    header.SUBJEKT2 = agreement.SUBJEKT2;
    header.ROK = agreement.ROK;
    TCheckResults::Cut(header);
    static const int valueWidth = TCheckResults::FieldWidth(QStringLiteral("HODNOTA"));
    int count = 0;
    for (const RowTemplate& t : rowTemplates(SubjectType)) {
        const Field* mainField = t.check->MainItem->field();
        if (!mainField)
            continue; // a main item whose column cannot be resolved disables its check
        if (t.check->IsValid())
            continue;
        TCheckResult& row = m_results->AppendCut(header);
        row.PORADI_TYPKONTROLY = t.PORADI_TYPKONTROLY;
        row.TYP_KONTROLY = t.TYP_KONTROLY;
        row.PORADI_ZAVAZNOSTI = t.PORADI_ZAVAZNOSTI;
        row.ZAVAZNOST = t.ZAVAZNOST;
        row.KODNORMALIZOVANY = t.KODNORMALIZOVANY;
        row.KOD = t.KOD;
        row.TEXT = t.TEXT;
        row.HODNOTA = ValueText(mainField);
        if (row.HODNOTA.size() > valueWidth)
            row.HODNOTA.truncate(valueWidth);
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
