#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>

class QLabel;
class QMdiArea;
class QTextBrowser;

namespace mero {

class Connection;
class TData;

// The program's main window: the title bar panel, the guide panel explaining the current step, the step
// menu on the left, the client area with the step windows, the "Zpět"/"Další" bar and the status bar.
class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    // The window of the program's run: the status text from the data module's database, step 2
    // refreshing its agreement registrations.
    explicit TFormMain(TData& data, QWidget* parent = nullptr);
    // A window without a data module; FormCreate(text) gives its status text.
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // The status text "verze programu %s, verze dat %s.%s, instalace %d"; a value that cannot be read
    // gives the empty text.
    static QString BuildStatusText(Connection* connection, const QString& programVersion, int installationId);

    // FormCreate: puts the status text into LabelInfo (not recomputed while the program runs).
    void FormCreate(const QString& statusText);
    void FormCreate(TData& data);

    // Switches the wizard to step 1, 2 or 3; leaving step 1 is subject to SaveIdentification.
    void ShowStep(int step);
    // Colours the label of the current step (nullptr: none).
    void HighlightStep(QLabel* label);
    void SetGuideCaption(const QString& text);
    // Loads the guide document (resource name "IDENTIFIKACE", "PORIZENI_DAT" or "ODESLANI_DAT").
    void ShowGuideDocument(const QString& name);

    // The step windows' own operations, set by the forms of the steps. Until a form is set, its step
    // shows a window saying that the step comes later.
    void setSaveIdentification(std::function<bool()> hook);
    void setShowStepWindow(int step, std::function<void()> show);
    // Run when step 2 is shown, before its window (refreshes the agreement registrations).
    void setRefreshAgreements(std::function<void()> hook);

    int currentStep() const { return m_currentStep; }
    QLabel* highlightedLabel() const { return m_highlighted; }
    QString guideCaption() const;
    QString guideDocument() const { return m_guideDocument; }
    QString statusText() const;
    QMdiArea* clientArea() const { return m_clientArea; }
    QWidget* stepWindow(int step) const;

    static const QColor& LabelColour();
    static const QColor& HighlightColour();

    // Event handlers.
    void FormShow();
    bool FormCloseQuery();
    void LabelIdentifikaceClick() { ShowStep(1); }
    void LabelPorizeniDatClick() { ShowStep(2); }
    void LabelOdeslaniDatClick() { ShowStep(3); }
    void LabelKonecClick() { close(); }
    void LabelZpetClick();
    void LabelDalsiClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildTitlePanel();
    QWidget* buildGuidePanel();
    QWidget* buildMenu();
    QWidget* buildNavigationBar();
    QWidget* buildStatusBar();
    QLabel* makeLink(const QString& name, const QString& text);
    void showPendingStep(int step);

    int m_currentStep = 0;
    bool m_shown = false;
    QLabel* m_highlighted = nullptr;
    QLabel* m_guideCaption = nullptr;
    QTextBrowser* m_guideViewer = nullptr;
    QString m_guideDocument;
    QMdiArea* m_clientArea = nullptr;
    QLabel* m_labelInfo = nullptr;
    QLabel* m_labelIdentifikace = nullptr;
    QLabel* m_labelPorizeniDat = nullptr;
    QLabel* m_labelOdeslaniDat = nullptr;
    QLabel* m_labelKonec = nullptr;
    QLabel* m_labelZpet = nullptr;
    QLabel* m_labelDalsi = nullptr;
    QLabel* m_imageZpet = nullptr;
    QLabel* m_imageDalsi = nullptr;

    std::function<bool()> m_saveIdentification;
    std::function<void()> m_showStep[3];
    std::function<void()> m_refreshAgreements;
    QWidget* m_pendingWindows[3] = {nullptr, nullptr, nullptr};
};

} // namespace mero
