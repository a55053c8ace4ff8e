#pragma once

#include <QString>

namespace mero {

// A finished report: its title (the preview window's caption) and its pages' content as HTML, laid out
// on A4 paper. The core renders reports into this form; the preview window paginates, prints and
// saves it.
struct ReportDocument {
    QString title;
    QString html;
    enum class Orientation { Portrait, Landscape };
    Orientation orientation = Orientation::Portrait;
    // Page margins in millimetres.
    double marginMm = 15.0;
    // Text printed at the foot of every page; "%1" stands for the page number (e.g. "Strana %1").
    QString pageFooter;

    bool isEmpty() const { return html.isEmpty(); }
};

// The screen side of reports: the one preview window. The widgets library installs the real window;
// without one, showing a report does nothing.
class ReportPreview {
public:
    virtual ~ReportPreview() = default;
    // Shows the report in the single preview window, replacing what it showed; a modal preview returns
    // when the user closes it.
    virtual void showReport(const ReportDocument& report, bool modal) = 0;
    // Hides the preview window if there is one.
    virtual void hideReport() = 0;

    // Installs the implementation (not owned); returns the previous one.
    static ReportPreview* setInstance(ReportPreview* preview);
    static ReportPreview* instance();
};

// Shows a report in the preview window (ShowReport) and hides the window (HideReport).
void ShowReport(const ReportDocument& report, bool modal);
void HideReport();

// HTML-escapes text for a report (line breaks kept).
QString ReportText(const QString& text);

} // namespace mero
