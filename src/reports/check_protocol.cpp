#include "reports/check_protocol.h"

#include "checks/check_results.h"

#include <algorithm>

#include <functional>

namespace mero {

namespace {

const QString kTitle = QStringLiteral("Sorvenal - chybový výstup");

// Walks the sorted rows and reports the group bands of the protocol in print order.
struct ProtocolBands {
    std::function<void(const TCheckResult&)> unionHeader;     // [ROK][ID_SVAZ]
    std::function<void(const TCheckResult&)> agreementHeader; // [ID]
    std::function<void(const TCheckResult&)> severityHeader;  // [ZAVAZNOST]
    std::function<void(const TCheckResult&)> line;
    std::function<void(int count)> severityFooter;
    std::function<void(int count)> agreementFooter;
};

void walk(const TCheckResultRows& rows, const ProtocolBands& bands) {
    int severityCount = 0;
    int agreementCount = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const TCheckResult& row = rows[i];
        const TCheckResult* prev = i > 0 ? &rows[i - 1] : nullptr;
        const bool newUnion = !prev || prev->ROK != row.ROK || prev->ID_SVAZ != row.ID_SVAZ;
        const bool newAgreement = newUnion || prev->ID != row.ID;
        const bool newSeverity = newAgreement || prev->ZAVAZNOST != row.ZAVAZNOST;
        if (newUnion)
            bands.unionHeader(row);
        if (newAgreement) {
            bands.agreementHeader(row);
            agreementCount = 0;
        }
        if (newSeverity) {
            bands.severityHeader(row);
            severityCount = 0;
        }
        bands.line(row);
        ++severityCount;
        ++agreementCount;

        const TCheckResult* next = i + 1 < rows.size() ? &rows[i + 1] : nullptr;
        const bool endUnion = !next || next->ROK != row.ROK || next->ID_SVAZ != row.ID_SVAZ;
        const bool endAgreement = endUnion || next->ID != row.ID;
        const bool endSeverity = endAgreement || next->ZAVAZNOST != row.ZAVAZNOST;
        if (endSeverity)
            bands.severityFooter(severityCount);
        if (endAgreement)
            bands.agreementFooter(agreementCount);
    }
}

QString esc(const QString& text) {
    QString out = text.toHtmlEscaped();
    out.replace(QLatin1String("\r\n"), QLatin1String("<br/>"));
    out.replace(QLatin1Char('\n'), QLatin1String("<br/>"));
    return out;
}

QString agreementCaption(const TCheckResult& row) {
    return QStringLiteral("Zaměstnavatel: %1, ZO OS: %2").arg(row.SUBJEKT1, row.SUBJEKT2);
}

} // namespace

ReportDocument CheckProtocolDocument(const TCheckResults& results) {
    return CheckProtocolDocument(results.Rows());
}

QString CheckProtocolText(const TCheckResults& results) {
    return CheckProtocolText(results.Rows());
}

ReportDocument CheckProtocolDocument(const TCheckResultRows& rows) {
    ReportDocument report;
    report.title = kTitle;
    report.pageFooter = QStringLiteral("Strana %1");

    const QString unionStyle = QStringLiteral("font-size: 11pt; font-weight: bold; padding-top: 10px; "
                                              "border-bottom: 1px solid #10629a; color: #10629a;");
    const QString agreementStyle = QStringLiteral("font-weight: bold; padding-top: 6px;");
    const QString severityStyle = QStringLiteral("font-style: italic; font-weight: bold; padding-top: 4px;");
    const QString countStyle = QStringLiteral("font-style: italic; padding-bottom: 4px;");
    const QString totalStyle = QStringLiteral("font-weight: bold; padding-bottom: 8px;");

    QString html;
    html.reserve(256 + static_cast<qsizetype>(rows.size()) * 200);
    html += QStringLiteral("<html><head><meta charset=\"utf-8\"/><title>%1</title></head>"
                           "<body style=\"font-family: 'DejaVu Sans', sans-serif; font-size: 9pt;\">")
                .arg(esc(kTitle));
    html += QStringLiteral("<p style=\"font-size: 14pt; font-weight: bold; margin-bottom: 8px;\">%1</p>").arg(esc(kTitle));
    html += QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\">"
                           "<colgroup><col width=\"12%\"/><col width=\"68%\"/><col width=\"20%\"/></colgroup>");
    const auto count = [&](const QString& label, int n, const QString& style) {
        html += QStringLiteral("<tr><td></td><td colspan=\"2\" style=\"%1\">%2 %3</td></tr>")
                    .arg(style, esc(label))
                    .arg(n);
    };
    ProtocolBands bands;
    bands.unionHeader = [&](const TCheckResult& r) {
        html += QStringLiteral("<tr><td colspan=\"2\" style=\"%1\">%2</td>"
                               "<td align=\"right\" style=\"%1\">rok %3</td></tr>")
                    .arg(unionStyle, esc(r.SVAZ))
                    .arg(r.ROK);
    };
    bands.agreementHeader = [&](const TCheckResult& r) {
        html += QStringLiteral("<tr><td colspan=\"3\" style=\"%1\">%2</td></tr>").arg(agreementStyle, esc(agreementCaption(r)));
    };
    bands.severityHeader = [&](const TCheckResult& r) {
        html += QStringLiteral("<tr><td colspan=\"3\" style=\"%1\">%2</td></tr>").arg(severityStyle, esc(r.ZAVAZNOST));
    };
    bands.line = [&](const TCheckResult& r) {
        html += QStringLiteral("<tr><td>") + esc(r.KOD) + QStringLiteral("</td><td>") + esc(r.TEXT) +
                QStringLiteral("</td><td>") + esc(r.HODNOTA) + QStringLiteral("</td></tr>");
    };
    bands.severityFooter = [&](int n) { count(QStringLiteral("Počet chyb:"), n, countStyle); };
    bands.agreementFooter = [&](int n) { count(QStringLiteral("Celkový počet chyb:"), n, totalStyle); };
    walk(rows, bands);
    html += QStringLiteral("</table></body></html>");
    report.html = html;
    return report;
}

QString CheckProtocolText(const TCheckResultRows& rows) {
    QString out;
    out += kTitle + QLatin1Char('\n');
    out += QString(kTitle.size(), QLatin1Char('=')) + QLatin1Char('\n');
    ProtocolBands bands;
    bands.unionHeader = [&](const TCheckResult& r) {
        const QString right = QStringLiteral("rok %1").arg(r.ROK);
        const int gap = std::max(2, 100 - static_cast<int>(r.SVAZ.size() + right.size()));
        out += QLatin1Char('\n') + r.SVAZ + QString(gap, QLatin1Char(' ')) + right + QLatin1Char('\n');
    };
    bands.agreementHeader = [&](const TCheckResult& r) { out += agreementCaption(r) + QLatin1Char('\n'); };
    bands.severityHeader = [&](const TCheckResult& r) { out += QStringLiteral("  ") + r.ZAVAZNOST + QLatin1Char('\n'); };
    bands.line = [&](const TCheckResult& r) {
        QString text = r.TEXT;
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        out += QStringLiteral("    ") + r.KOD.leftJustified(10) + QStringLiteral("  ") + text;
        if (!r.HODNOTA.isEmpty()) {
            QString value = r.HODNOTA;
            value.replace(QLatin1Char('\n'), QLatin1Char(' '));
            out += QStringLiteral("  ") + value;
        }
        out += QLatin1Char('\n');
    };
    bands.severityFooter = [&](int n) { out += QStringLiteral("  Počet chyb: %1\n").arg(n); };
    bands.agreementFooter = [&](int n) { out += QStringLiteral("Celkový počet chyb: %1\n").arg(n); };
    walk(rows, bands);
    return out;
}

} // namespace mero
