#pragma once

#include "reports/report_document.h"

#include <QList>
#include <QString>

namespace mero {

// One row of the check result list as the check protocol prints it.
struct CheckProtocolRow {
    QString id;        // ID: key text of the agreement's registration, empty from a sheet
    QString idSvaz;    // ID_SVAZ
    QString svaz;      // SVAZ
    QString idSubjekt1;
    QString subjekt1;  // employer name
    QString idSubjekt2;
    QString subjekt2;  // union organisation name
    int rok = 0;
    int poradiTypKontroly = 0;
    QString typKontroly;
    int poradiZavaznosti = 0;
    QString zavaznost;
    QString kodNormalizovany;
    QString kod;
    QString text;
    QString hodnota;
};

// The check protocol "Sorvenal - chybový výstup" of rows already in the result list's order: groups by
// year and union, by agreement and by severity, one line per failed check, counts after each severity
// and agreement group, "Strana N" at the foot of every page.
ReportDocument RenderCheckProtocol(const QList<CheckProtocolRow>& rows);

// The screen side of the check run's ShowCheckResults: the protocol in the report preview (modal or
// not), or "Během kontroly nebyly nalezeny žádné chyby." when there are no rows.
void ShowCheckResults(const QList<CheckProtocolRow>& rows, bool modal);
// HideCheckResults: hides the report preview if it is open.
void HideCheckResults();

} // namespace mero
