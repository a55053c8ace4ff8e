#include "checks/check_results_view.h"

#include "app/core/messages.h"
#include "checks/check_results.h"
#include "reports/check_protocol.h"

#include <vector>

namespace mero {

ReportDocument RenderCheckProtocol(const QList<CheckProtocolRow>& rows) {
    std::vector<TCheckResult> list;
    list.reserve(static_cast<size_t>(rows.size()));
    for (const CheckProtocolRow& r : rows) {
        TCheckResult t;
        t.ID = r.id;
        t.ID_SVAZ = r.idSvaz;
        t.SVAZ = r.svaz;
        t.ID_SUBJEKT1 = r.idSubjekt1;
        t.SUBJEKT1 = r.subjekt1;
        t.ID_SUBJEKT2 = r.idSubjekt2;
        t.SUBJEKT2 = r.subjekt2;
        t.ROK = r.rok;
        t.PORADI_TYPKONTROLY = r.poradiTypKontroly;
        t.TYP_KONTROLY = r.typKontroly;
        t.PORADI_ZAVAZNOSTI = r.poradiZavaznosti;
        t.ZAVAZNOST = r.zavaznost;
        t.KODNORMALIZOVANY = r.kodNormalizovany;
        t.KOD = r.kod;
        t.TEXT = r.text;
        t.HODNOTA = r.hodnota;
        list.push_back(std::move(t));
    }
    return CheckProtocolDocument(list);
}

void ShowCheckResults(const QList<CheckProtocolRow>& rows, bool modal) {
    if (rows.isEmpty()) {
        TMessages::Info(QStringLiteral("Během kontroly nebyly nalezeny žádné chyby."));
        return;
    }
    ShowReport(RenderCheckProtocol(rows), modal);
}

void HideCheckResults() {
    HideReport();
}

} // namespace mero
