#include "app/message_dialogs.h"

#include "app/core/startup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace mero {

namespace {

// A message box with one "OK" button.
void showBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, QApplication::activeWindow());
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}

// Wait windows: fixed width, centred, a title but no title-bar buttons, not modal.
void setUpWaitWindow(QWidget* w, const QString& caption) {
    w->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    w->setWindowModality(Qt::NonModal);
    w->setWindowTitle(caption);
    w->setFixedWidth(300);
}

void centreAndShow(QWidget* w) {
    if (!w->isVisible()) {
        w->adjustSize();
        w->setFixedHeight(w->sizeHint().height());
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
        }
    }
    w->show();
    w->raise();
    w->repaint();
    QCoreApplication::processEvents();
}

QLabel* centredLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

TFormProgress::TFormProgress(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormProgress"));
    setUpWaitWindow(this, QStringLiteral("Průběh"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(centredLabel(QString::fromUtf8(kWaitText), this));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressBar"));
    layout->addWidget(m_bar);
}

TFormInfo::TFormInfo(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FormInfo"));
    setUpWaitWindow(this, QStringLiteral("Informace"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(centredLabel(QString::fromUtf8(kWaitText), this));
    m_line = new QLabel(this);
    m_line->setObjectName(QStringLiteral("LabelText"));
    m_line->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_line);
}

void TFormInfo::setText(const QString& text) {
    m_line->setText(text);
}

QString TFormInfo::text() const {
    return m_line->text();
}

DialogSink::DialogSink() : m_previous(TMessages::setSink(this)) {}

DialogSink::~DialogSink() {
    TMessages::setSink(m_previous);
    delete m_progress;
    delete m_info;
}

void DialogSink::error(const QString& text) {
    showBox(QMessageBox::Critical, QStringLiteral("Chyba"), text);
}

ConfirmResult DialogSink::confirm(const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Potvrzení"), text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    QPushButton* yes = box.addButton(QStringLiteral("Ano"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Ne"), QMessageBox::NoRole);
    // Escape (and closing the box) answers cancel: an invisible escape button, so that "Ne" never is one.
    QPushButton* cancel = box.addButton(QStringLiteral("Storno"), QMessageBox::RejectRole);
    cancel->hide();
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes)
        return ConfirmResult::Yes;
    if (box.clickedButton() == no)
        return ConfirmResult::No;
    return ConfirmResult::Cancel;
}

void DialogSink::info(const QString& text) {
    showBox(QMessageBox::Information, QStringLiteral("Informace"), text);
}

void DialogSink::unhandled(const QString& text) {
    showBox(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle), text);
}

void DialogSink::showProgress(int minimum, int maximum, int position) {
    if (!m_progress)
        m_progress = new TFormProgress;
    m_progress->bar()->setRange(minimum, maximum);
    m_progress->bar()->setValue(position);
    centreAndShow(m_progress);
}

void DialogSink::hideProgress() {
    if (m_progress)
        m_progress->hide();
}

void DialogSink::showInfo(const QString& text) {
    if (!m_info)
        m_info = new TFormInfo;
    m_info->setText(text);
    centreAndShow(m_info);
}

void DialogSink::hideInfo() {
    if (m_info)
        m_info->hide();
}

} // namespace mero
