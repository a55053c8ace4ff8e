#pragma once

#include "reports/report_document.h"

#include <QDialog>
#include <QPointer>
#include <QPrinter>

#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QPrintPreviewWidget;
class QSpinBox;
class QTextDocument;

namespace mero {

// The one report preview window: pages of the report at a chosen zoom, page navigation, search with
// the match highlighted, printing through the system's print dialog, saving as PDF. It has its own
// task-bar entry and its caption is the report's title. Closing destroys it.
class TFormReport : public QDialog {
    Q_OBJECT
public:
    ~TFormReport() override;

    // Shows the report in the single preview window (created on first use, hidden and reused
    // otherwise); a modal preview returns when the user closes it.
    static void ShowReport(const ReportDocument& report, bool modal);
    // Hides the preview window if one exists.
    static void HideReport();
    // The preview window, if one exists.
    static TFormReport* instance();
    // Makes ShowReport/HideReport of the core show this window.
    static void Install();

    const ReportDocument& report() const { return m_report; }
    int pageCount() const;
    int currentPage() const;
    void setCurrentPage(int page);

    // Searches the text after the last match (from the start after a fresh text); true when found:
    // the match is highlighted and its page shown. Not found: "Hledaný text nebyl nalezen." and the
    // next search starts from the beginning.
    bool findNext(const QString& text);
    // The page (1-based) of the highlighted match, 0 when none.
    int matchPage() const { return m_matchPage; }
    // Plain text of the highlighted match, empty when none.
    QString matchText() const;

    // Writes the report as a PDF file; false (and a message) when the file cannot be written.
    bool saveAsPdf(const QString& path);

    // Draws the report's pages on a printer (preview, print or PDF).
    void paintPages(QPrinter* printer) const;

private:
    explicit TFormReport();
    void setReport(const ReportDocument& report);
    std::unique_ptr<QTextDocument> layoutFor(QPrinter* printer, double* pageHeight,
                                             QList<QPair<qreal, qreal>>* pages = nullptr) const;
    // Cuts a document laid out as one long page into pages of at most pageHeight: the top and bottom
    // of each page in the document, no line and no table row shorter than a page cut in two.
    static QList<QPair<qreal, qreal>> paginate(QTextDocument* doc, qreal pageHeight);
    void applyPageLayout(QPrinter* printer) const;
    void updatePageControls();
    void print();
    void savePdfAs();
    void searchNext();

    ReportDocument m_report;
    std::unique_ptr<QTextDocument> m_document;
    QPrinter m_printer;
    QPrintPreviewWidget* m_preview = nullptr;
    QSpinBox* m_pageBox = nullptr;
    QLabel* m_pageCountLabel = nullptr;
    QLineEdit* m_searchEdit = nullptr;
    QString m_searchText;
    int m_matchStart = -1;
    int m_matchEnd = -1;
    int m_matchPage = 0;

    static QPointer<TFormReport> s_instance;
};

} // namespace mero
