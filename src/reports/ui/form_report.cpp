#include "reports/ui/form_report.h"

#include "app/core/messages.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QRegularExpression>
#include <QScreen>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>
#include <QToolBar>
#include <QVBoxLayout>

#include <optional>

namespace mero {

QPointer<TFormReport> TFormReport::s_instance;

namespace {

class PreviewService : public ReportPreview {
public:
    void showReport(const ReportDocument& report, bool modal) override { TFormReport::ShowReport(report, modal); }
    void hideReport() override { TFormReport::HideReport(); }
};

constexpr double kFooterLines = 2.2;

QFont footerFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8);
    return font;
}

enum class Glyph { ZoomIn, ZoomOut, FitWidth, FitPage, Print, Find };

// Small toolbar pictures in the program's blue.
QIcon glyphIcon(Glyph glyph) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor blue(16, 98, 154);
    QPen pen(blue, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    switch (glyph) {
    case Glyph::ZoomIn:
    case Glyph::ZoomOut:
    case Glyph::Find:
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(4, 4, 18, 18));
        p.setPen(QPen(blue, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(20, 20), QPointF(28, 28));
        p.setPen(pen);
        if (glyph != Glyph::Find) {
            p.drawLine(QPointF(8.5, 13), QPointF(17.5, 13));
            if (glyph == Glyph::ZoomIn)
                p.drawLine(QPointF(13, 8.5), QPointF(13, 17.5));
        }
        break;
    case Glyph::FitWidth:
        p.setBrush(QColor(234, 244, 254));
        p.drawRect(QRectF(3, 7, 26, 18));
        p.drawLine(QPointF(8, 16), QPointF(24, 16));
        p.drawLine(QPointF(8, 16), QPointF(11, 13));
        p.drawLine(QPointF(8, 16), QPointF(11, 19));
        p.drawLine(QPointF(24, 16), QPointF(21, 13));
        p.drawLine(QPointF(24, 16), QPointF(21, 19));
        break;
    case Glyph::FitPage:
        p.setBrush(QColor(234, 244, 254));
        p.drawRect(QRectF(8, 3, 16, 26));
        p.setPen(QPen(blue, 2));
        for (int y = 9; y <= 21; y += 4)
            p.drawLine(QPointF(12, y), QPointF(20, y));
        break;
    case Glyph::Print:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 3, 14, 9));
        p.setBrush(QColor(234, 244, 254));
        p.drawRoundedRect(QRectF(3, 11, 26, 12), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 18, 14, 11));
        break;
    }
    p.end();
    return QIcon(pixmap);
}

// The parts of the laid-out document that must not be cut by a page break: the lines of ordinary
// paragraphs, and whole table rows (the lines of one row, with the cells' top padding).
struct Keep {
    qreal top;
    qreal bottom;
};

qreal cellTopPadding(const QTextTable* table, const QTextTableCell& cell) {
    const QTextTableCellFormat format = cell.format().toTableCellFormat();
    qreal padding = format.hasProperty(QTextFormat::TableCellTopPadding) ? format.topPadding()
                                                                          : table->format().cellPadding();
    return padding + table->format().border();
}

} // namespace

QList<QPair<qreal, qreal>> TFormReport::paginate(QTextDocument* doc, qreal pageHeight) {
    QList<QPair<qreal, qreal>> pages;
    const qreal total = doc->size().height();
    if (pageHeight <= 1) {
        pages.append({0, total});
        return pages;
    }
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    QList<Keep> lines;
    QHash<QPair<const QTextTable*, int>, Keep> rows;
    QList<qreal> forced;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QRectF rect = layout->blockBoundingRect(block);
        const QTextLayout* text = block.layout();
        if (!text)
            continue;
        Keep span{rect.bottom(), rect.top()};
        for (int i = 0; i < text->lineCount(); ++i) {
            const QTextLine line = text->lineAt(i);
            const qreal top = rect.top() + line.y();
            span.top = qMin(span.top, top);
            span.bottom = qMax(span.bottom, top + line.height());
        }
        if (text->lineCount() == 0)
            span = Keep{rect.top(), rect.bottom()};
        const QTextBlockFormat format = block.blockFormat();
        if (format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
            forced.append(span.top);
        if (format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysAfter)
            forced.append(span.bottom);
        QTextCursor cursor(block);
        if (const QTextTable* table = cursor.currentTable()) {
            const QTextTableCell cell = table->cellAt(block.position());
            if (cell.isValid() && text->lineCount() > 0) {
                const QPair<const QTextTable*, int> key(table, cell.row());
                const qreal top = span.top - cellTopPadding(table, cell);
                auto it = rows.find(key);
                if (it == rows.end())
                    rows.insert(key, Keep{top, span.bottom});
                else
                    *it = Keep{qMin(it->top, top), qMax(it->bottom, span.bottom)};
            }
        }
        for (int i = 0; i < text->lineCount(); ++i) {
            const QTextLine line = text->lineAt(i);
            const qreal top = rect.top() + line.y();
            lines.append(Keep{top, top + line.height()});
        }
    }
    // A row taller than a page is cut between its lines instead.
    for (const Keep& row : std::as_const(rows))
        if (row.bottom - row.top <= pageHeight)
            lines.append(row);

    constexpr qreal kEpsilon = 0.01;
    qreal start = 0;
    while (pages.size() < 100000) {
        qreal end = start + pageHeight;
        for (qreal f : std::as_const(forced))
            if (f > start + kEpsilon && f < end)
                end = f;
        // Move the break up to the top of whatever it would cut, until it cuts nothing.
        for (bool moved = true; moved;) {
            moved = false;
            for (const Keep& k : std::as_const(lines)) {
                if (k.top < end - kEpsilon && k.bottom > end + kEpsilon && k.top > start + kEpsilon) {
                    end = k.top;
                    moved = true;
                }
            }
        }
        if (end >= total - kEpsilon) {
            pages.append({start, qMax(end, total)});
            break;
        }
        pages.append({start, end});
        start = end;
    }
    return pages;
}

TFormReport::TFormReport() : QDialog(nullptr), m_printer(QPrinter::HighResolution) {
    setObjectName(QStringLiteral("FormReport"));
    setAttribute(Qt::WA_DeleteOnClose);
    // A window of its own with a task-bar entry, minimise and maximise.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    m_printer.setPageSize(QPageSize(QPageSize::A4));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("ReportToolBar"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar->setIconSize(QSize(16, 16));
    layout->addWidget(toolBar);

    m_preview = new QPrintPreviewWidget(&m_printer, this);
    m_preview->setObjectName(QStringLiteral("ReportPages"));
    layout->addWidget(m_preview, 1);
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* printer) { paintPages(printer); });
    connect(m_preview, &QPrintPreviewWidget::previewChanged, this, &TFormReport::updatePageControls);

    auto makeAction = [&](const QString& name, const QString& text, const QString& tip, QStyle::StandardPixmap icon,
                         const QList<QKeySequence>& keys, auto slot, std::optional<Glyph> glyph = {}) {
        auto* action = new QAction(text, this);
        action->setObjectName(name);
        if (icon != QStyle::SP_CustomBase)
            action->setIcon(style()->standardIcon(icon));
        else if (glyph)
            action->setIcon(glyphIcon(*glyph));
        action->setShortcuts(keys);
        QString hint = tip;
        if (!keys.isEmpty())
            hint += QStringLiteral(" (%1)").arg(keys.first().toString(QKeySequence::NativeText));
        action->setToolTip(hint);
        connect(action, &QAction::triggered, this, slot);
        toolBar->addAction(action);
        QWidget::addAction(action);
        return action;
    };

    makeAction(QStringLiteral("ActPrint"), QStringLiteral("Tisk..."), QStringLiteral("Vytisknout sestavu"),
              QStyle::SP_CustomBase, {QKeySequence::Print}, [this] { print(); }, Glyph::Print);
    makeAction(QStringLiteral("ActSavePdf"), QStringLiteral("PDF..."),
              QStringLiteral("Uložit sestavu do souboru PDF"), QStyle::SP_DialogSaveButton, {QKeySequence::Save},
              [this] { savePdfAs(); });
    toolBar->addSeparator();
    makeAction(QStringLiteral("ActZoomIn"), QString(), QStringLiteral("Zvětšit"), QStyle::SP_CustomBase,
               {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)}, [this] { m_preview->zoomIn(); },
               Glyph::ZoomIn);
    makeAction(QStringLiteral("ActZoomOut"), QString(), QStringLiteral("Zmenšit"), QStyle::SP_CustomBase,
               {QKeySequence::ZoomOut}, [this] { m_preview->zoomOut(); }, Glyph::ZoomOut);
    makeAction(QStringLiteral("ActFitWidth"), QString(), QStringLiteral("Přizpůsobit šířce okna"),
               QStyle::SP_CustomBase, {QKeySequence(Qt::CTRL | Qt::Key_W)}, [this] { m_preview->fitToWidth(); },
               Glyph::FitWidth);
    makeAction(QStringLiteral("ActFitPage"), QString(), QStringLiteral("Zobrazit celou stránku"),
               QStyle::SP_CustomBase, {QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { m_preview->fitInView(); },
               Glyph::FitPage);
    toolBar->addSeparator();
    makeAction(QStringLiteral("ActFirstPage"), QString(), QStringLiteral("První stránka"), QStyle::SP_MediaSkipBackward,
              {QKeySequence(Qt::CTRL | Qt::Key_Home)}, [this] { setCurrentPage(1); });
    makeAction(QStringLiteral("ActPriorPage"), QString(), QStringLiteral("Předchozí stránka"), QStyle::SP_ArrowLeft,
              {QKeySequence(Qt::Key_PageUp)}, [this] { setCurrentPage(currentPage() - 1); });
    m_pageBox = new QSpinBox(this);
    m_pageBox->setObjectName(QStringLiteral("PageBox"));
    m_pageBox->setToolTip(QStringLiteral("Číslo stránky"));
    m_pageBox->setMinimum(1);
    m_pageBox->setKeyboardTracking(false);
    toolBar->addWidget(m_pageBox);
    connect(m_pageBox, &QSpinBox::valueChanged, this, [this](int page) {
        if (page != currentPage())
            setCurrentPage(page);
    });
    m_pageCountLabel = new QLabel(this);
    m_pageCountLabel->setObjectName(QStringLiteral("PageCountLabel"));
    m_pageCountLabel->setContentsMargins(4, 0, 4, 0);
    toolBar->addWidget(m_pageCountLabel);
    makeAction(QStringLiteral("ActNextPage"), QString(), QStringLiteral("Další stránka"), QStyle::SP_ArrowRight,
              {QKeySequence(Qt::Key_PageDown)}, [this] { setCurrentPage(currentPage() + 1); });
    makeAction(QStringLiteral("ActLastPage"), QString(), QStringLiteral("Poslední stránka"), QStyle::SP_MediaSkipForward,
              {QKeySequence(Qt::CTRL | Qt::Key_End)}, [this] { setCurrentPage(pageCount()); });
    toolBar->addSeparator();

    m_searchEdit = new QLineEdit(this);
    m_searchEdit->setObjectName(QStringLiteral("SearchText"));
    m_searchEdit->setPlaceholderText(QStringLiteral("Hledaný text"));
    m_searchEdit->setClearButtonEnabled(true);
    m_searchEdit->setFixedWidth(170);
    m_searchEdit->setToolTip(QStringLiteral("Text, který se má v sestavě najít (Ctrl+F)"));
    toolBar->addWidget(m_searchEdit);
    connect(m_searchEdit, &QLineEdit::returnPressed, this, &TFormReport::searchNext);
    auto* focusSearch = new QAction(this);
    focusSearch->setShortcut(QKeySequence::Find);
    connect(focusSearch, &QAction::triggered, this, [this] {
        m_searchEdit->setFocus();
        m_searchEdit->selectAll();
    });
    QDialog::addAction(focusSearch);
    makeAction(QStringLiteral("ActFindNext"), QStringLiteral("Najít další"), QStringLiteral("Najít další výskyt textu"),
              QStyle::SP_CustomBase, {QKeySequence::FindNext}, [this] { searchNext(); }, Glyph::Find);
    toolBar->addSeparator();
    makeAction(QStringLiteral("ActClose"), QStringLiteral("Zavřít"), QStringLiteral("Zavřít náhled"),
              QStyle::SP_DialogCloseButton, {}, [this] { close(); });

    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                           : QRect(0, 0, 1024, 768);
    resize(qMin(960, screen.width()), qMin(900, screen.height()));
}

TFormReport::~TFormReport() = default;

TFormReport* TFormReport::instance() {
    return s_instance;
}

void TFormReport::Install() {
    static PreviewService service;
    ReportPreview::setInstance(&service);
}

void TFormReport::ShowReport(const ReportDocument& report, bool modal) {
    if (s_instance)
        s_instance->hide();
    else
        s_instance = new TFormReport();
    TFormReport* window = s_instance;
    window->setReport(report);
    if (modal) {
        window->setWindowModality(Qt::ApplicationModal);
        window->exec();
    } else {
        window->setWindowModality(Qt::NonModal);
        window->show();
        window->raise();
        window->activateWindow();
    }
}

void TFormReport::HideReport() {
    if (s_instance)
        s_instance->hide();
}

void TFormReport::setReport(const ReportDocument& report) {
    m_report = report;
    setWindowTitle(report.title);
    m_document = std::make_unique<QTextDocument>();
    m_document->setHtml(report.html);
    m_searchText.clear();
    m_matchStart = m_matchEnd = -1;
    m_matchPage = 0;
    m_searchEdit->clear();
    applyPageLayout(&m_printer);
    m_preview->updatePreview();
    m_preview->setCurrentPage(1);
    m_preview->fitToWidth();
    updatePageControls();
}

void TFormReport::applyPageLayout(QPrinter* printer) const {
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageOrientation(m_report.orientation == ReportDocument::Orientation::Landscape
                                    ? QPageLayout::Landscape
                                    : QPageLayout::Portrait);
    const double m = m_report.marginMm;
    printer->setPageMargins(QMarginsF(m, m, m, m), QPageLayout::Millimeter);
    printer->setDocName(m_report.title);
}

std::unique_ptr<QTextDocument> TFormReport::layoutFor(QPrinter* printer, double* pageHeight,
                                                      QList<QPair<qreal, qreal>>* pages) const {
    auto doc = std::unique_ptr<QTextDocument>(m_document ? m_document->clone() : new QTextDocument());
    // The highlight goes in before the page size is set: that lays the whole document out anew.
    if (m_matchStart >= 0) {
        QTextCursor cursor(doc.get());
        cursor.setPosition(m_matchStart);
        cursor.setPosition(m_matchEnd, QTextCursor::KeepAnchor);
        QTextCharFormat mark;
        mark.setBackground(QColor(255, 214, 0));
        cursor.mergeCharFormat(mark);
    }
    // Laid out for the printer itself: no scaling, no margin or page numbers of the document's own. The
    // document is laid out as one long page and cut into pages here, between lines and table rows.
    doc->documentLayout()->setPaintDevice(printer);
    doc->setDocumentMargin(0);
    const QRectF page = printer->pageLayout().paintRectPixels(printer->resolution());
    double height = page.height();
    if (!m_report.pageFooter.isEmpty())
        height -= QFontMetricsF(footerFont(), printer).height() * kFooterLines;
    doc->setPageSize(QSizeF(page.width(), -1));
    if (pageHeight)
        *pageHeight = height;
    if (pages)
        *pages = paginate(doc.get(), height);
    return doc;
}

void TFormReport::paintPages(QPrinter* printer) const {
    double pageHeight = 0;
    QList<QPair<qreal, qreal>> pages;
    auto doc = layoutFor(printer, &pageHeight, &pages);
    QPainter painter;
    if (!painter.begin(printer))
        return;
    const QRectF page = printer->pageLayout().paintRectPixels(printer->resolution());
    // Pages chosen in the print dialog: only those are printed.
    const QPageRanges ranges = printer->printRange() == QPrinter::PageRange ? printer->pageRanges() : QPageRanges();
    bool first = true;
    for (int i = 0; i < pages.size(); ++i) {
        if (!ranges.isEmpty() && !ranges.contains(i + 1))
            continue;
        if (!first)
            printer->newPage();
        first = false;
        const qreal top = pages[i].first;
        const qreal bottom = pages[i].second;
        painter.save();
        painter.setClipRect(QRectF(0, 0, page.width(), bottom - top));
        painter.translate(0, -top);
        // Only what lies inside the page is drawn at all: a line on the next page is not drawn here
        // clipped away, where it would still be part of the page's text.
        doc->drawContents(&painter, QRectF(0, top + 0.5, page.width(), qMax<qreal>(0, bottom - top - 1)));
        painter.restore();
        if (!m_report.pageFooter.isEmpty()) {
            painter.save();
            QFont font = footerFont();
            painter.setFont(QFont(font, printer));
            painter.setPen(Qt::black);
            const QRectF footer(0, pageHeight, page.width(), page.height() - pageHeight);
            painter.drawText(footer, Qt::AlignHCenter | Qt::AlignBottom, m_report.pageFooter.arg(i + 1));
            painter.restore();
        }
    }
    painter.end();
}

int TFormReport::pageCount() const {
    return m_preview->pageCount();
}

int TFormReport::currentPage() const {
    return m_preview->currentPage();
}

void TFormReport::setCurrentPage(int page) {
    m_preview->setCurrentPage(qBound(1, page, qMax(1, pageCount())));
    updatePageControls();
}

void TFormReport::updatePageControls() {
    const int count = qMax(1, pageCount());
    const QSignalBlocker block(m_pageBox);
    m_pageBox->setMaximum(count);
    m_pageBox->setValue(qBound(1, currentPage(), count));
    m_pageCountLabel->setText(QStringLiteral("z %1").arg(count));
}

bool TFormReport::findNext(const QString& text) {
    if (!m_document)
        return false;
    int from = 0;
    if (text == m_searchText && m_matchEnd >= 0)
        from = m_matchEnd;
    m_searchText = text;
    QTextCursor found = text.isEmpty() ? QTextCursor() : m_document->find(text, from);
    if (found.isNull()) {
        const bool hadMatch = m_matchStart >= 0;
        m_matchStart = m_matchEnd = -1;
        m_matchPage = 0;
        if (hadMatch)
            m_preview->updatePreview();
        TMessages::Info(QStringLiteral("Hledaný text nebyl nalezen."));
        return false;
    }
    m_matchStart = found.selectionStart();
    m_matchEnd = found.selectionEnd();

    // The page of the match in the layout the preview paints.
    double pageHeight = 0;
    QList<QPair<qreal, qreal>> pages;
    auto doc = layoutFor(&m_printer, &pageHeight, &pages);
    const QTextBlock block = doc->findBlock(m_matchStart);
    const QRectF blockRect = doc->documentLayout()->blockBoundingRect(block);
    double y = blockRect.top();
    if (QTextLayout* layout = block.layout()) {
        const QTextLine line = layout->lineForTextPosition(m_matchStart - block.position());
        if (line.isValid())
            y += line.y();
    }
    m_matchPage = 1;
    for (int i = 0; i < pages.size(); ++i)
        if (y >= pages[i].first - 0.01)
            m_matchPage = i + 1;
    m_preview->updatePreview();
    setCurrentPage(m_matchPage);
    return true;
}

QString TFormReport::matchText() const {
    if (!m_document || m_matchStart < 0)
        return QString();
    QTextCursor cursor(m_document.get());
    cursor.setPosition(m_matchStart);
    cursor.setPosition(m_matchEnd, QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

void TFormReport::searchNext() {
    const QString text = m_searchEdit->text();
    if (text.isEmpty()) {
        m_searchEdit->setFocus();
        return;
    }
    findNext(text);
}

void TFormReport::print() {
    QPrintDialog dialog(&m_printer, this);
    dialog.setWindowTitle(QStringLiteral("Tisk"));
    dialog.setMinMax(1, qMax(1, pageCount()));
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_preview->print();
    // The print dialog may have changed the printer's paper and pages; the preview keeps the report's
    // own and shows all pages.
    m_printer.setPrintRange(QPrinter::AllPages);
    m_printer.setPageRanges(QPageRanges());
    applyPageLayout(&m_printer);
    m_preview->updatePreview();
}

bool TFormReport::saveAsPdf(const QString& path) {
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(path);
    pdf.setCreator(QStringLiteral("Lokální pořizovací program MERO"));
    applyPageLayout(&pdf);
    {
        QFile probe(path);
        const bool existed = probe.exists();
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Append)) {
            TMessages::Error(QStringLiteral("Soubor \"%1\" nelze uložit.\n[%2]")
                                 .arg(QDir::toNativeSeparators(path), probe.errorString()));
            return false;
        }
        probe.close();
        if (!existed)
            probe.remove();
    }
    paintPages(&pdf);
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0) {
        TMessages::Error(QStringLiteral("Soubor \"%1\" nelze uložit.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    return true;
}

void TFormReport::savePdfAs() {
    QString name = m_report.title;
    static const QRegularExpression unsafe(QStringLiteral("[\\\\/:*?\"<>|]"));
    name.replace(unsafe, QStringLiteral("_"));
    if (name.trimmed().isEmpty())
        name = QStringLiteral("sestava");
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Uložit jako PDF"),
                                                      QDir(folder).filePath(name + QStringLiteral(".pdf")),
                                                      QStringLiteral("Dokument PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    saveAsPdf(path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive) ? path : path + QStringLiteral(".pdf"));
}

} // namespace mero
