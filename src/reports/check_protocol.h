#pragma once

// The check protocol "Sorvenal - chybový výstup" (ReportKontroly) over the sorted check result list:
// groups by year and union, by agreement and by severity, one line per failed check (code, message,
// value), "Počet chyb" after each severity group, "Celkový počet chyb" after each agreement group and
// "Strana N" at the foot of every page.

#include "reports/report_document.h"

#include <QString>


namespace mero {

class TCheckResults;
class TCheckResultRows;

// The protocol as a report document (HTML) for the preview window, printing and PDF.
ReportDocument CheckProtocolDocument(const TCheckResults& results);
// The same for rows already in the result list's order.
ReportDocument CheckProtocolDocument(const TCheckResultRows& rows);
// The same protocol as plain text, one line per report line.
QString CheckProtocolText(const TCheckResults& results);
QString CheckProtocolText(const TCheckResultRows& rows);

} // namespace mero
