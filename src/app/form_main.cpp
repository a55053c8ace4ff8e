#include "app/form_main.h"

#include "app/core/messages.h"
#include "app/core/startup.h"
#include "app/core/system.h"
#include "data/data_module.h"
#include "data/sql_utils.h"

#include <QCloseEvent>
#include <QLabel>
#include <QStatusBar>
#include <QVBoxLayout>

namespace mero {

TFormMain::TFormMain(TData& data, QWidget* parent) : QMainWindow(parent), m_data(data) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QString::fromUtf8(kApplicationTitle));
    resize(800, 600);
    setMinimumSize(640, 480);

    auto* central = new QWidget(this);
    central->setAutoFillBackground(true);
    QPalette palette = central->palette();
    palette.setColor(QPalette::Window, Qt::white);
    central->setPalette(palette);
    auto* layout = new QVBoxLayout(central);
    auto* title = new QLabel(QString::fromUtf8(kApplicationTitle) + QLatin1Char(' '), central);
    title->setObjectName(QStringLiteral("LabelTitle"));
    QFont font(QStringLiteral("serif"));
    font.setPixelSize(29);
    font.setBold(true);
    font.setItalic(true);
    title->setFont(font);
    title->setStyleSheet(QStringLiteral("color: rgb(16, 98, 154);"));
    layout->addWidget(title, 0, Qt::AlignTop | Qt::AlignLeft);
    layout->addStretch();
    setCentralWidget(central);

    LabelInfo = new QLabel(this);
    LabelInfo->setObjectName(QStringLiteral("LabelInfo"));
    LabelInfo->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LabelInfo->setStyleSheet(QStringLiteral("color: white; font-weight: bold;"));
    statusBar()->setStyleSheet(QStringLiteral("QStatusBar { background: rgb(16, 98, 154); }"));
    statusBar()->setFixedHeight(30);
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addPermanentWidget(LabelInfo, 1);

    FormCreate();
}

void TFormMain::FormCreate() {
    auto text = [this](const char* sql) {
        const QVariant v = TDB::QueryValue(m_data.DataBase, QString::fromLatin1(sql));
        return v.isNull() ? QString() : v.toString();
    };
    LabelInfo->setText(QStringLiteral("verze programu %1, verze dat %2.%3, instalace %4")
                           .arg(TSystem::ProgramVersion(), text("PRAGMA user_version;"),
                                text("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_UPDATE';"))
                           .arg(m_data.InstallationId()));
}

QString TFormMain::statusText() const {
    return LabelInfo->text();
}

bool TFormMain::FormCloseQuery() {
    return TMessages::Confirm(QStringLiteral("Chcete program ukončit?")) == ConfirmResult::Yes;
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

} // namespace mero
