#include "reports/report_document.h"

namespace mero {

namespace {
ReportPreview* g_preview = nullptr;
}

ReportPreview* ReportPreview::setInstance(ReportPreview* preview) {
    ReportPreview* previous = g_preview;
    g_preview = preview;
    return previous;
}

ReportPreview* ReportPreview::instance() {
    return g_preview;
}

void ShowReport(const ReportDocument& report, bool modal) {
    if (g_preview)
        g_preview->showReport(report, modal);
}

void HideReport() {
    if (g_preview)
        g_preview->hideReport();
}

QString ReportText(const QString& text) {
    QString out = text.toHtmlEscaped();
    out.replace(QLatin1String("\r\n"), QLatin1String("<br/>"));
    out.replace(QLatin1Char('\n'), QLatin1String("<br/>"));
    return out;
}

} // namespace mero
