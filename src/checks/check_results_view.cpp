#include "checks/check_results_view.h"

#include "app/core/messages.h"

namespace mero {

namespace {

QString cell(const QString& text, const QString& style = QString()) {
    return QStringLiteral("<td style=\"%1\">%2</td>").arg(style, ReportText(text));
}

QString countLine(const QString& label, int count, const QString& style) {
    return QStringLiteral("<tr><td></td><td colspan=\"2\" style=\"%1\">%2 %3</td></tr>")
        .arg(style, ReportText(label))
        .arg(count);
}

} // namespace

ReportDocument RenderCheckProtocol(const QList<CheckProtocolRow>& rows) {
    ReportDocument report;
    report.title = QStringLiteral("Sorvenal - chybový výstup");
    report.pageFooter = QStringLiteral("Strana %1");

    QString html;
    html += QStringLiteral("<html><head><meta charset=\"utf-8\"/></head>"
                           "<body style=\"font-family: 'DejaVu Sans', sans-serif; font-size: 9pt;\">");
    html += QStringLiteral("<p style=\"font-size: 14pt; font-weight: bold; margin-bottom: 8px;\">%1</p>")
                .arg(ReportText(report.title));
    html += QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\">"
                           "<colgroup><col width=\"12%\"/><col width=\"68%\"/><col width=\"20%\"/></colgroup>");

    const QString unionStyle = QStringLiteral("font-size: 11pt; font-weight: bold; padding-top: 10px; "
                                              "border-bottom: 1px solid #10629a; color: #10629a;");
    const QString agreementStyle = QStringLiteral("font-weight: bold; padding-top: 6px;");
    const QString severityStyle = QStringLiteral("font-style: italic; font-weight: bold; padding-top: 4px;");
    const QString countStyle = QStringLiteral("font-style: italic; padding-bottom: 4px;");
    const QString totalStyle = QStringLiteral("font-weight: bold; padding-bottom: 8px;");

    int severityCount = 0;
    int agreementCount = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const CheckProtocolRow& row = rows.at(i);
        const CheckProtocolRow* prev = i > 0 ? &rows.at(i - 1) : nullptr;
        const bool newUnion = !prev || prev->rok != row.rok || prev->idSvaz != row.idSvaz;
        const bool newAgreement = newUnion || prev->id != row.id;
        const bool newSeverity = newAgreement || prev->zavaznost != row.zavaznost;

        if (newUnion) {
            html += QStringLiteral("<tr><td colspan=\"2\" style=\"%1\">%2</td>"
                                   "<td align=\"right\" style=\"%1\">rok %3</td></tr>")
                        .arg(unionStyle, ReportText(row.svaz))
                        .arg(row.rok);
        }
        if (newAgreement) {
            html += QStringLiteral("<tr><td colspan=\"3\" style=\"%1\">%2</td></tr>")
                        .arg(agreementStyle,
                             ReportText(QStringLiteral("Zaměstnavatel: %1, ZO OS: %2").arg(row.subjekt1, row.subjekt2)));
            agreementCount = 0;
        }
        if (newSeverity) {
            html += QStringLiteral("<tr><td colspan=\"3\" style=\"%1\">%2</td></tr>")
                        .arg(severityStyle, ReportText(row.zavaznost));
            severityCount = 0;
        }
        html += QStringLiteral("<tr>") + cell(row.kod) + cell(row.text) + cell(row.hodnota) +
                QStringLiteral("</tr>");
        ++severityCount;
        ++agreementCount;

        const CheckProtocolRow* next = i + 1 < rows.size() ? &rows.at(i + 1) : nullptr;
        const bool endUnion = !next || next->rok != row.rok || next->idSvaz != row.idSvaz;
        const bool endAgreement = endUnion || next->id != row.id;
        const bool endSeverity = endAgreement || next->zavaznost != row.zavaznost;
        if (endSeverity)
            html += countLine(QStringLiteral("Počet chyb:"), severityCount, countStyle);
        if (endAgreement)
            html += countLine(QStringLiteral("Celkový počet chyb:"), agreementCount, totalStyle);
    }
    html += QStringLiteral("</table></body></html>");
    report.html = html;
    return report;
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
