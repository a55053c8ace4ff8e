#include "app/form_main.h"

#include "app/core/messages.h"
#include "app/core/startup.h"
#include "app/core/system.h"
#include "data/data_module.h"
#include "data/dataset.h"
#include "app/editor_conventions.h"
#include "data/connection.h"
#include "data/sql_utils.h"
#include "reports/ui/form_report.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBrowser>
#include <QVBoxLayout>

static void initGuiResources() {
    Q_INIT_RESOURCE(gui);
}

namespace mero {

namespace {

const QColor kBlue(16, 98, 154);
const QColor kRed(239, 61, 66);
const QColor kMenuBackground(234, 244, 254);
const QColor kMenuLine(200, 218, 238);
const QColor kGrey(147, 147, 147);

const char* const kGuideNames[3] = {"IDENTIFIKACE", "PORIZENI_DAT", "ODESLANI_DAT"};
const char* const kGuideCaptions[3] = {"Identifikace", "Pořízení dat z kolektivní smlouvy",
                                       "Odeslání dat ke zpracování"};

// A panel that paints its picture stretched over the whole area.
class PicturePanel : public QWidget {
public:
    PicturePanel(const QString& picture, QWidget* parent) : QWidget(parent), m_picture(picture) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(rect(), m_picture);
    }

private:
    QPixmap m_picture;
};

QFrame* line(QWidget* parent, Qt::Orientation orientation, int width, const QColor& colour) {
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::NoFrame);
    frame->setAutoFillBackground(true);
    QPalette pal = frame->palette();
    pal.setColor(QPalette::Window, colour);
    frame->setPalette(pal);
    if (orientation == Qt::Horizontal)
        frame->setFixedHeight(width);
    else
        frame->setFixedWidth(width);
    return frame;
}

void setBackground(QWidget* w, const QColor& colour) {
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    pal.setColor(QPalette::Base, colour);
    w->setPalette(pal);
}

void setTextColour(QWidget* w, const QColor& colour) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, colour);
    pal.setColor(QPalette::Text, colour);
    w->setPalette(pal);
}

QLabel* pictureLabel(const QString& name, const QString& resource, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setPixmap(QPixmap(resource));
    label->setFixedSize(label->pixmap().size().isEmpty() ? QSize(24, 24) : label->pixmap().size());
    return label;
}

// A step window of a form that is not part of this version yet.
class TFormStepPending : public QWidget {
public:
    TFormStepPending(int step, const QString& title) {
        setObjectName(QStringLiteral("FormStepPending%1").arg(step));
        setWindowTitle(QStringLiteral("%1 – tento krok bude doplněn později").arg(title));
        setBackground(this, Qt::white);
        auto* layout = new QVBoxLayout(this);
        auto* text = new QLabel(windowTitle(), this);
        text->setObjectName(QStringLiteral("PendingText"));
        text->setAlignment(Qt::AlignCenter);
        text->setWordWrap(true);
        QFont font = text->font();
        font.setPointSizeF(font.pointSizeF() * 1.3);
        text->setFont(font);
        setTextColour(text, kGrey);
        layout->addStretch();
        layout->addWidget(text);
        layout->addStretch();
    }
};

} // namespace

TFormMain::TFormMain(TData& data, QWidget* parent) : TFormMain(parent) {
    FormCreate(data);
    Dataset* registrations = data.TblEPKS;
    m_refreshAgreements = [registrations] {
        if (registrations && registrations->isActive())
            registrations->refresh();
    };
}

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
    initGuiResources();
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
    resize(800, 600);
    setMinimumSize(640, 480);
    setWindowState(windowState() | Qt::WindowMaximized);
    TFormReport::Install();

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("MainPanel"));
    setBackground(central, Qt::white);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildTitlePanel());
    layout->addWidget(buildGuidePanel());
    layout->addWidget(line(central, Qt::Horizontal, 3, kMenuLine));

    auto* middle = new QHBoxLayout();
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(0);
    middle->addWidget(buildMenu());
    middle->addWidget(line(central, Qt::Vertical, 3, kMenuLine));
    auto* right = new QVBoxLayout();
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    m_clientArea = new QMdiArea(central);
    m_clientArea->setObjectName(QStringLiteral("ClientArea"));
    m_clientArea->setBackground(Qt::white);
    m_clientArea->setFrameShape(QFrame::NoFrame);
    m_clientArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_clientArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    right->addWidget(m_clientArea, 1);
    right->addWidget(buildNavigationBar());
    middle->addLayout(right, 1);
    layout->addLayout(middle, 1);
    layout->addWidget(buildStatusBar());
    setCentralWidget(central);
    TForms::SetMainFrame(m_clientArea);

    // The keyboard reaches every step too.
    auto shortcut = [this](const QKeySequence& keys, auto slot) {
        auto* action = new QAction(this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_1), [this] { LabelIdentifikaceClick(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_2), [this] { LabelPorizeniDatClick(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_3), [this] { LabelOdeslaniDatClick(); });
    shortcut(QKeySequence(Qt::ALT | Qt::Key_Left), [this] { LabelZpetClick(); });
    shortcut(QKeySequence(Qt::ALT | Qt::Key_Right), [this] { LabelDalsiClick(); });
}

TFormMain::~TFormMain() {
    if (TForms::MainFrame() == m_clientArea)
        TForms::SetMainFrame(nullptr);
}

const QColor& TFormMain::LabelColour() {
    return kBlue;
}

const QColor& TFormMain::HighlightColour() {
    return kRed;
}

QLabel* TFormMain::makeLink(const QString& name, const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setCursor(Qt::PointingHandCursor);
    setTextColour(label, kBlue);
    label->installEventFilter(this);
    return label;
}

QWidget* TFormMain::buildTitlePanel() {
    auto* panel = new PicturePanel(QStringLiteral(":/pictures/title.png"), this);
    panel->setObjectName(QStringLiteral("TitlePanel"));
    panel->setFixedHeight(46);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(12, 0, 12, 0);
    auto* title = new QLabel(QStringLiteral("Lokální pořizovací program MERO "), panel);
    title->setObjectName(QStringLiteral("LabelTitle"));
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setStyleHint(QFont::Serif);
    font.setBold(true);
    font.setItalic(true);
    font.setPixelSize(29);
    title->setFont(font);
    setTextColour(title, kBlue);
    layout->addWidget(title);
    layout->addStretch();
    return panel;
}

QWidget* TFormMain::buildGuidePanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("GuidePanel"));
    panel->setFixedHeight(115);
    setBackground(panel, Qt::white);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 8, 4);
    layout->setSpacing(0);
    auto* picture = new QLabel(panel);
    picture->setObjectName(QStringLiteral("ImageGuide"));
    picture->setFixedWidth(230);
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(QPixmap(QStringLiteral(":/pictures/guide.png")));
    layout->addWidget(picture);
    auto* text = new QVBoxLayout();
    text->setContentsMargins(3, 6, 0, 0);
    text->setSpacing(2);
    m_guideCaption = new QLabel(panel);
    m_guideCaption->setObjectName(QStringLiteral("LabelGuideCaption"));
    QFont font = m_guideCaption->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() + 1);
    m_guideCaption->setFont(font);
    setTextColour(m_guideCaption, kBlue);
    text->addWidget(m_guideCaption);
    m_guideViewer = new QTextBrowser(panel);
    m_guideViewer->setObjectName(QStringLiteral("GuideViewer"));
    m_guideViewer->setReadOnly(true);
    m_guideViewer->setOpenLinks(false);
    m_guideViewer->setFrameShape(QFrame::NoFrame);
    m_guideViewer->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_guideViewer->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_guideViewer->setFocusPolicy(Qt::NoFocus);
    m_guideViewer->document()->setDocumentMargin(2);
    text->addWidget(m_guideViewer, 1);
    layout->addLayout(text, 1);
    return panel;
}

QWidget* TFormMain::buildMenu() {
    auto* menu = new QWidget(this);
    menu->setObjectName(QStringLiteral("StepMenu"));
    menu->setFixedWidth(230);
    setBackground(menu, kMenuBackground);
    auto* layout = new QVBoxLayout(menu);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    struct Entry {
        const char* name;
        const char* label;
        const char* description;
        const char* picture;
        const char* shortcut;
        QLabel** target;
    };
    const Entry entries[] = {
        {"LabelIdentifikace", "1. Identifikace", "identifikace zaměstnavatele a základní organizace", "step1",
         "Ctrl+1", &m_labelIdentifikace},
        {"LabelPorizeniDat", "2. Kolektivní smlouvy", "seznam evidovaných kolektivních smluv", "step2", "Ctrl+2",
         &m_labelPorizeniDat},
        {"LabelOdeslaniDat", "3. Odeslání dat", "odeslání dat ke zpracování", "step3", "Ctrl+3",
         &m_labelOdeslaniDat},
        {"LabelKonec", "Ukončit program", nullptr, "exit", "Alt+F4", &m_labelKonec},
    };
    for (const Entry& e : entries) {
        auto* item = new QWidget(menu);
        item->setObjectName(QString::fromLatin1(e.name) + QStringLiteral("Item"));
        auto* grid = new QGridLayout(item);
        grid->setContentsMargins(10, 9, 8, 9);
        grid->setHorizontalSpacing(8);
        grid->setVerticalSpacing(1);
        QLabel* picture =
            pictureLabel(QString::fromLatin1(e.name) + QStringLiteral("Image"),
                         QStringLiteral(":/pictures/%1.png").arg(QLatin1String(e.picture)), item);
        picture->setCursor(Qt::PointingHandCursor);
        picture->installEventFilter(this);
        picture->setProperty("meroLink", QString::fromLatin1(e.name));
        grid->addWidget(picture, 0, 0, e.description ? 2 : 1, 1, Qt::AlignTop);
        QLabel* label = makeLink(QString::fromLatin1(e.name), QString::fromUtf8(e.label));
        label->setToolTip(QStringLiteral("%1 (%2)").arg(QString::fromUtf8(e.label), QLatin1String(e.shortcut)));
        grid->addWidget(label, 0, 1);
        if (e.description) {
            auto* description = new QLabel(QString::fromUtf8(e.description), item);
            description->setObjectName(QString::fromLatin1(e.name) + QStringLiteral("Description"));
            description->setWordWrap(true);
            QFont font = description->font();
            font.setPointSizeF(font.pointSizeF() - 1);
            description->setFont(font);
            setTextColour(description, kGrey);
            grid->addWidget(description, 1, 1);
        }
        grid->setColumnStretch(1, 1);
        *e.target = label;
        layout->addWidget(item);
        layout->addWidget(line(menu, Qt::Horizontal, 3, kMenuLine));
    }
    layout->addStretch();
    return menu;
}

QWidget* TFormMain::buildNavigationBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("NavigationBar"));
    bar->setFixedHeight(32);
    setBackground(bar, kMenuBackground);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(10, 0, 10, 0);
    layout->setSpacing(6);
    m_imageZpet = pictureLabel(QStringLiteral("ImageZpet"), QStringLiteral(":/pictures/back.png"), bar);
    m_imageZpet->setCursor(Qt::PointingHandCursor);
    m_imageZpet->installEventFilter(this);
    m_labelZpet = makeLink(QStringLiteral("LabelZpet"), QStringLiteral("Zpět"));
    m_labelZpet->setToolTip(QStringLiteral("Předchozí krok (Alt+šipka vlevo)"));
    m_imageZpet->setToolTip(m_labelZpet->toolTip());
    m_labelDalsi = makeLink(QStringLiteral("LabelDalsi"), QStringLiteral("Další"));
    m_labelDalsi->setToolTip(QStringLiteral("Další krok (Alt+šipka vpravo)"));
    m_imageDalsi = pictureLabel(QStringLiteral("ImageDalsi"), QStringLiteral(":/pictures/next.png"), bar);
    m_imageDalsi->setCursor(Qt::PointingHandCursor);
    m_imageDalsi->installEventFilter(this);
    m_imageDalsi->setToolTip(m_labelDalsi->toolTip());
    layout->addWidget(m_imageZpet);
    layout->addWidget(m_labelZpet);
    layout->addStretch();
    layout->addWidget(m_labelDalsi);
    layout->addWidget(m_imageDalsi);
    return bar;
}

QWidget* TFormMain::buildStatusBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("StatusPanel"));
    bar->setFixedHeight(30);
    setBackground(bar, kBlue);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(10, 0, 10, 0);
    auto* left = new QLabel(QStringLiteral("Průzkum obsahu kolektivních smluv"), bar);
    left->setObjectName(QStringLiteral("LabelStatic"));
    setTextColour(left, Qt::white);
    m_labelInfo = new QLabel(bar);
    m_labelInfo->setObjectName(QStringLiteral("LabelInfo"));
    m_labelInfo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont font = m_labelInfo->font();
    font.setBold(true);
    m_labelInfo->setFont(font);
    setTextColour(m_labelInfo, Qt::white);
    layout->addWidget(left);
    layout->addStretch();
    layout->addWidget(m_labelInfo);
    return bar;
}

QString TFormMain::BuildStatusText(Connection* connection, const QString& programVersion, int installationId) {
    auto text = [](const QVariant& v) { return v.isNull() ? QString() : v.toString(); };
    const QString dataVersion = text(TDB::QueryValue(connection, QStringLiteral("PRAGMA user_version;")));
    const QString updateLevel =
        text(TDB::QueryValue(connection, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_UPDATE';")));
    return QStringLiteral("verze programu %1, verze dat %2.%3, instalace %4")
        .arg(programVersion, dataVersion, updateLevel)
        .arg(installationId);
}

void TFormMain::FormCreate(TData& data) {
    FormCreate(BuildStatusText(data.DataBase, TSystem::ProgramVersion(), data.InstallationId()));
}

void TFormMain::FormCreate(const QString& statusText) {
    m_labelInfo->setText(statusText);
}

QString TFormMain::statusText() const {
    return m_labelInfo->text();
}

QString TFormMain::guideCaption() const {
    return m_guideCaption->text();
}

QWidget* TFormMain::stepWindow(int step) const {
    if (step < 1 || step > 3)
        return nullptr;
    return m_pendingWindows[step - 1];
}

void TFormMain::setSaveIdentification(std::function<bool()> hook) {
    m_saveIdentification = std::move(hook);
}

void TFormMain::setShowStepWindow(int step, std::function<void()> show) {
    if (step >= 1 && step <= 3)
        m_showStep[step - 1] = std::move(show);
}

void TFormMain::setRefreshAgreements(std::function<void()> hook) {
    m_refreshAgreements = std::move(hook);
}

void TFormMain::ShowStep(int step) {
    if (step < 1 || step > 3)
        return;
    if (m_currentStep == 1) {
        const bool mayLeave = m_saveIdentification ? m_saveIdentification() : true;
        if (!mayLeave)
            return;
    }
    static QLabel* TFormMain::*const labels[3] = {&TFormMain::m_labelIdentifikace, &TFormMain::m_labelPorizeniDat,
                                                  &TFormMain::m_labelOdeslaniDat};
    HighlightStep(this->*labels[step - 1]);
    SetGuideCaption(QString::fromUtf8(kGuideCaptions[step - 1]));
    ShowGuideDocument(QString::fromLatin1(kGuideNames[step - 1]));
    if (step == 2 && m_refreshAgreements)
        m_refreshAgreements();
    if (m_showStep[step - 1])
        m_showStep[step - 1]();
    else
        showPendingStep(step);
    m_currentStep = step;
}

void TFormMain::showPendingStep(int step) {
    QWidget*& window = m_pendingWindows[step - 1];
    if (!window) {
        TFormStepPending* pending = nullptr;
        static const char* const titles[3] = {"Identifikace", "Kolektivní smlouvy", "Odeslání dat"};
        TForms::CreateChild(pending, step, QString::fromUtf8(titles[step - 1]));
        window = pending;
    }
    TForms::ShowChild(window);
}

void TFormMain::HighlightStep(QLabel* label) {
    if (m_highlighted)
        setTextColour(m_highlighted, kBlue);
    m_highlighted = label;
    if (label) {
        setTextColour(label, kRed);
        label->repaint();
    }
}

void TFormMain::SetGuideCaption(const QString& text) {
    m_guideCaption->setText(text);
    m_guideCaption->repaint();
}

void TFormMain::ShowGuideDocument(const QString& name) {
    QFile file(QStringLiteral(":/guide/") + name);
    QString html;
    if (file.open(QIODevice::ReadOnly))
        html = QString::fromUtf8(file.readAll()).trimmed();
    m_guideViewer->setHtml(html);
    m_guideDocument = name;
    m_guideViewer->viewport()->update();
}

void TFormMain::LabelZpetClick() {
    if (m_currentStep == 2)
        ShowStep(1);
    else if (m_currentStep == 3)
        ShowStep(2);
}

void TFormMain::LabelDalsiClick() {
    if (m_currentStep == 1)
        ShowStep(2);
    else if (m_currentStep == 2)
        ShowStep(3);
}

void TFormMain::FormShow() {
    ShowStep(1);
}

bool TFormMain::FormCloseQuery() {
    return TMessages::Confirm(QStringLiteral("Chcete program ukončit?")) == ConfirmResult::Yes;
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        QString name = watched->objectName();
        const QString link = watched->property("meroLink").toString();
        if (!link.isEmpty())
            name = link;
        if (name == QLatin1String("LabelIdentifikace"))
            LabelIdentifikaceClick();
        else if (name == QLatin1String("LabelPorizeniDat"))
            LabelPorizeniDatClick();
        else if (name == QLatin1String("LabelOdeslaniDat"))
            LabelOdeslaniDatClick();
        else if (name == QLatin1String("LabelKonec"))
            LabelKonecClick();
        else if (name == QLatin1String("LabelZpet") || name == QLatin1String("ImageZpet"))
            LabelZpetClick();
        else if (name == QLatin1String("LabelDalsi") || name == QLatin1String("ImageDalsi"))
            LabelDalsiClick();
        else
            return QMainWindow::eventFilter(watched, event);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace mero
